// The control objects: opening an LDN through the registry and COM-lite, the
// forwarding of calls, and events raised on the application's thread.
#include "RegistryEnvironment.h"
#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "vornik/OposControl.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace vornik;
using namespace vornik::platform;

namespace {

const char16_t kTestClsid[] = u"{0D0D0D0D-1111-2222-3333-444444444444}";

void setLdn(const std::u16string& deviceClass, const std::u16string& ldn, const std::u16string& progId) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\" + deviceClass + u"\\" + ldn, &k),
              ERROR_SUCCESS);
    std::string bytes;
    for (char16_t c : progId) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    ASSERT_EQ(RegSetValueExW(k, u"", REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(k);
}

class Controls : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The test service object, registered as COM does it.
        ASSERT_EQ(setClassesRootString(u"Vornik.Test.Printer\\CLSID", u"", kTestClsid), S_OK);
        ASSERT_EQ(setClassesRootString(std::u16string(u"CLSID\\") + kTestClsid + u"\\InprocServer32", u"",
                                       utf8ToUtf16(TEST_SERVICE_OBJECT)),
                  S_OK);
        setLdn(u"POSPrinter", u"TestPrinter", u"Vornik.Test.Printer");
        setLdn(u"POSPrinter", u"Unregistered", u"Vornik.Nowhere");
        // The service library itself.
        auto* reg = reinterpret_cast<DllRegisterServerFn>(loadSymbol("DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
        setLdn(u"POSPrinter", u"Receipt", u"Vornik.Opos.Printer");
    }
    static void* loadSymbol(const char* name);
};

void* Controls::loadSymbol(const char* name) {
    void* lib = ::dlopen(VORNIK_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    return lib ? ::dlsym(lib, name) : nullptr;
}

TEST_F(Controls, OpenFailsCleanlyForUnknownLdnsAndServices) {
    opos::POSPrinter printer;
    EXPECT_EQ(printer.Open(u"NoSuchLdn"), opos::OPOS_E_NOEXIST);
    EXPECT_EQ(printer.ResultCode(), opos::OPOS_E_NOEXIST);
    EXPECT_EQ(printer.Open(u"Unregistered"), opos::OPOS_E_NOSERVICE);
    EXPECT_FALSE(printer.isOpen());
    EXPECT_EQ(printer.ClaimDevice(0), opos::OPOS_E_CLOSED);
    EXPECT_EQ(printer.Close(), opos::OPOS_E_CLOSED);
    opos::CashDrawer drawer;
    EXPECT_EQ(drawer.Open(u"TestPrinter"), opos::OPOS_E_NOEXIST) << "LDNs are per device class";
}

TEST_F(Controls, ServiceObjectsOfTheLibraryAreCreatedThroughTheirProgId) {
    opos::POSPrinter printer;
    EXPECT_EQ(printer.Open(u"Receipt"), 403) << "the printer service object answers: its LDN has no Model";
    EXPECT_FALSE(printer.isOpen());
}

TEST_F(Controls, EventsAreRaisedOnTheApplicationsThread) {
    opos::POSPrinter printer;
    std::vector<int> statuses;
    std::thread::id raisedOn;
    printer.onStatusUpdate = [&](int status) {
        statuses.push_back(status);
        raisedOn = std::this_thread::get_id();
    };
    ASSERT_EQ(printer.Open(u"TestPrinter"), 0);
    EXPECT_EQ(printer.ClaimDevice(42), 0);
    EXPECT_EQ(printer.ClaimDevice(43), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (statuses.size() < 2 && std::chrono::steady_clock::now() < deadline)
        if (printer.waitForEvent(100)) printer.dispatchEvents();
    EXPECT_EQ(statuses, (std::vector<int>{42, 43}));
    EXPECT_EQ(raisedOn, std::this_thread::get_id());
    EXPECT_EQ(printer.Close(), 0);
}

TEST_F(Controls, MembersByDispatchIdAndTheEventSink) {
    opos::POSPrinter printer;
    IDispatch* d = printer.dispatch();
    std::vector<VARIANT> open{VARIANT::Bstr(u"TestPrinter")};
    VARIANT result;
    ASSERT_EQ(d->Invoke(37, IID_NULL, 0, DISPATCH_METHOD, open, &result), S_OK);
    EXPECT_EQ(result.lVal, 0);

    // A sink that records status updates (event dispatch id 5).
    struct Sink : DispatchObject {
        static const InterfaceInfo& info() {
            static const InterfaceInfo i{u"ISink", IID_NULL, u"", {{5, u"StatusUpdateEvent", {ParamKind::InI4}}}};
            return i;
        }
        Sink() : DispatchObject(info()) {}
        std::vector<int> got;
        HRESULT call(DISPID, CallArgs& a) override {
            got.push_back(a.i4(0));
            return S_OK;
        }
    };
    auto* sink = new Sink();
    printer.setEventSink(sink);
    std::vector<VARIANT> claim{VARIANT::I4(7)};
    ASSERT_EQ(d->Invoke(32, IID_NULL, 0, DISPATCH_METHOD, claim, &result), S_OK);
    EXPECT_EQ(result.lVal, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sink->got.empty() && std::chrono::steady_clock::now() < deadline)
        if (printer.waitForEvent(100)) printer.dispatchEvents();
    EXPECT_EQ(sink->got, std::vector<int>{7});
    printer.setEventSink(nullptr);
    sink->Release();

    std::vector<VARIANT> none;
    ASSERT_EQ(d->Invoke(22, IID_NULL, 0, DISPATCH_PROPERTYGET, none, &result), S_OK) << "ResultCode";
    EXPECT_EQ(result.vt, VT_I4);
    const std::u16string name = u"SOStatusUpdate";
    DISPID id = 0;
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, &name, 1, 0x0800, &id), S_OK);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(d->Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, none, &result), DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(d->Invoke(35, IID_NULL, 0, DISPATCH_METHOD, none, &result), S_OK) << "Close";
}

// Service threads push events while the application opens, claims and closes.
TEST_F(Controls, EventsFromManyThreadsWhileOpeningAndClosing) {
    opos::POSPrinter printer;
    long received = 0;
    printer.onStatusUpdate = [&](int) { ++received; };
    for (int round = 0; round < 10; ++round) {
        ASSERT_EQ(printer.Open(u"TestPrinter"), 0);
        int producers = 3;
        std::u16string text;
        ASSERT_EQ(printer.DirectIO(1, producers, text), 0);
        for (int i = 0; i < 5; ++i) {
            printer.ClaimDevice(i);
            if (printer.waitForEvent(20)) printer.dispatchEvents();
        }
        ASSERT_EQ(printer.Close(), 0);
        printer.dispatchEvents();
    }
    EXPECT_GT(received, 0);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new vornik::test::RegistryEnvironment);
    return RUN_ALL_TESTS();
}
