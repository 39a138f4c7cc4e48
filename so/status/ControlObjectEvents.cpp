#include "ControlObjectEvents.h"

#include "infra/Errors.h"

namespace vornik::so {

using namespace platform;

namespace {
const char16_t* const kEventMethodNames[] = {u"SOData", u"SODirectIO", u"SOError", u"SOStatusUpdate", u"SOOutputComplete"};
constexpr std::uint32_t kLookupLocale = 0x0800;
constexpr std::uint32_t kInvokeLocale = 0x0400;
}  // namespace

ControlObjectEvents::~ControlObjectEvents() { Attach(nullptr); }

void ControlObjectEvents::Attach(IDispatch* dispatch) {
    DISPID ids[kNames] = {0, 0, 0, 0, 0};
    if (dispatch) {
        dispatch->AddRef();
        for (int i = 0; i < kNames; ++i) {
            const std::u16string name = kEventMethodNames[i];
            DISPID id = 0;
            if (FAILED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, kLookupLocale, &id))) id = 0;
            ids[i] = id;
        }
    }
    IDispatch* old = nullptr;
    {
        std::lock_guard<std::mutex> g(m_lock);
        old = m_dispatch;
        m_dispatch = dispatch;
        for (int i = 0; i < kNames; ++i) m_ids[i] = ids[i];
    }
    if (old) old->Release();
}

DISPID ControlObjectEvents::dispid(Name name) const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_ids[name];
}

void ControlObjectEvents::fire(Name name, int value, const char* failure) {
    IDispatch* dispatch = nullptr;
    DISPID id = 0;
    {
        std::lock_guard<std::mutex> g(m_lock);
        dispatch = m_dispatch;
        id = m_ids[name];
        if (dispatch) dispatch->AddRef();
    }
    if (!dispatch) throw OposEventError(failure);
    std::vector<VARIANT> args{VARIANT::I4(value)};
    VARIANT result;
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, kInvokeLocale, DISPATCH_METHOD, args, &result);
    dispatch->Release();
    if (FAILED(hr)) throw OposEventError(failure);
}

void ControlObjectEvents::FireDataEvent(int status) { fire(SOData, status, msg::kFireDataFailed); }
void ControlObjectEvents::FireStatusUpdateEvent(int status) { fire(SOStatusUpdate, status, msg::kFireStatusUpdateFailed); }
void ControlObjectEvents::FireOutputCompleteEvent(int outputId) {
    fire(SOOutputComplete, outputId, msg::kFireOutputCompleteFailed);
}

}  // namespace vornik::so
