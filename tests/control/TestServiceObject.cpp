// A small printer service object for the control-object tests, built on the
// same frame, event queue and event path as the real ones. It opens, claims
// and closes; ClaimDevice(n) queues a status-update event with the value n;
// DirectIO(1, n) starts n producer threads that push status updates until
// CloseService (for the stress test).
#include "com/ServiceObject.h"
#include "infra/Errors.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace vornik::platform;
using namespace vornik::so;

namespace {

const CLSID kTestClsid = guid("{0D0D0D0D-1111-2222-3333-444444444444}");

class TestPrinter final : public ServiceObject {
public:
    explicit TestPrinter(IUnknown* outer) : ServiceObject(IOposPrinterInfo(), "CPrinterWindow", outer) {
        m_eventQueue.SetCallback([this](const OposEvent& e) {
            try {
                if (e.type == EVENT_STATUS_UPDATE) m_events.FireStatusUpdateEvent(e.value1);
                else if (e.type == EVENT_OUTPUT_COMPLETE) m_events.FireOutputCompleteEvent(e.value1);
            } catch (const OposEventError&) {
            }
        });
    }
    ~TestPrinter() override {
        stopProducers();
        shutdown();
    }

protected:
    HRESULT handle(DISPID id, CallArgs& a) override {
        switch (id) {
        case printer_id::OpenService:
            m_events.Attach(a.dispatch(2));
            setFlag(FLAG_OPENED, true);
            m_eventQueue.SetAllowableEvents(31);
            m_eventQueue.SetEnabledEvents(28);
            setResult(a, 0);
            return S_OK;
        case printer_id::ClaimDevice:
            m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, a.i4(0)});
            setResult(a, 0);
            return S_OK;
        case printer_id::DirectIO:
            if (a.i4(0) == 1) startProducers(*a.i4Ref(1));
            setResult(a, 0);
            return S_OK;
        case printer_id::GetPropertyNumber:
            *a.retvalI4() = a.i4(0) == 6 ? m_resultCode : 0;
            return S_OK;
        case printer_id::CloseService:
            stopProducers();
            m_eventQueue.SetAllowableEvents(0);
            m_eventQueue.ClearEvents();
            m_events.Attach(nullptr);
            setResult(a, 0);
            return S_OK;
        default:
            return ServiceObject::handle(id, a);
        }
    }

private:
    void startProducers(int n) {
        m_running = true;
        for (int i = 0; i < n; ++i)
            m_producers.emplace_back([this, i] {
                int k = 0;
                while (m_running) {
                    try {
                        m_eventQueue.PushEvent(OposEvent{EVENT_STATUS_UPDATE, i * 100000 + k++});
                    } catch (const OposQueueError&) {
                    }
                    std::this_thread::yield();
                }
            });
    }
    void stopProducers() {
        m_running = false;
        for (auto& t : m_producers) t.join();
        m_producers.clear();
    }

    std::atomic<bool> m_running{false};
    std::vector<std::thread> m_producers;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                           void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != kTestClsid) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new ClassFactory([](IUnknown* outer) { return new TestPrinter(outer); });
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}
