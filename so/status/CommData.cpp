#include "CommData.h"

#include "infra/DriverLog.h"

namespace vornik::so {

CCommArbiter::CCommArbiter() {
    g_fileLog.Log(4, "CCommArbiter", ">>> CCommArbiter");
    g_fileLog.Log(4, "CCommArbiter", "Exit CCommArbiter");
}

CCommArbiter::~CCommArbiter() {
    g_fileLog.Log(4, "CCommArbiter", ">>> ~CCommArbiter");
    g_fileLog.Log(4, "CCommArbiter", "<<< ~CCommArbiter");
}

void CCommArbiter::setLastStatus(const std::string& status) {
    std::lock_guard<std::mutex> g(m_lock);
    m_lastStatus = status;
}

std::string CCommArbiter::lastStatus() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_lastStatus;
}

CCommArbiter& commArbiter() {
    static CCommArbiter arbiter;
    return arbiter;
}

}  // namespace vornik::so
