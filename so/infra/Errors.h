// The error types of the service library. Each carries one message text and
// nothing else; none ever leaves a dispatch method or an exported function.
#pragma once

#include <stdexcept>
#include <string>

namespace vornik::so {

// Base of the service's own errors.
class KVError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Invalid print data or commands, null result pointers, invalid bar code
// requests, refused print calls.
class OposError : public KVError {
public:
    using KVError::KVError;
};

// Failures to fire events to the control object, and invalid events.
class OposEventError : public OposError {
public:
    using OposError::OposError;
};

// Misuse of the event queue.
class OposQueueError : public OposError {
public:
    using OposError::OposError;
};

// Registry failures ("Error opening ...", "Error retrieving ...").
class OposRegistryError : public OposError {
public:
    using OposError::OposError;
};

// Failed number conversions ("NumToString", "StringToNum"). Not a KVError.
class StringError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fixed message texts.
namespace msg {
inline constexpr const char* kInvalidInstruction = "Opos:Invalid instruction";
inline constexpr const char* kNullPointerSuffix = " NULL pointer";
inline constexpr const char* kFireDataFailed = "Error firing Data event.";
inline constexpr const char* kFireStatusUpdateFailed = "Error firing StatusUpdate event.";
inline constexpr const char* kFireOutputCompleteFailed = "Error firing OutputComplete event.";
inline constexpr const char* kInvalidDataEvent = "Invalid Data Event";
inline constexpr const char* kInvalidErrorEvent = "Invalid Error Event";
inline constexpr const char* kInvalidOutputCompleteEvent = "Invalid OutputComplete Event";
inline constexpr const char* kInvalidStatusUpdateEvent = "Invalid StatusUpdate Event";
inline constexpr const char* kInvalidEventType = "Invalid Event Type.";
inline constexpr const char* kInvalidAllowableEvents = "Invalid event type passed to SetAllowableEvents.";
inline constexpr const char* kInvalidEnabledEvents = "Invalid event type passed to SetEnabledEvents.";
inline constexpr const char* kCannotQueue = "Unable to queue the specified event type.";
inline constexpr const char* kNumToString = "NumToString";
inline constexpr const char* kStringToNum = "StringToNum";
inline constexpr const char* kErrorOpening = "Error opening ";
inline constexpr const char* kErrorRetrieving = "Error retrieving ";
}  // namespace msg

}  // namespace vornik::so
