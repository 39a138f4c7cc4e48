// The service library as an in-process server: registration, class
// factories, unload rule, and its dispatch tables.
#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

using namespace vornik::platform;

namespace {

struct Server {
    void* lib = ::dlopen(VORNIK_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    template <typename Fn>
    Fn fn(const char* name) {
        return reinterpret_cast<Fn>(lib ? ::dlsym(lib, name) : nullptr);
    }
};

const char16_t kPrinterClsid[] = u"{5688BD1A-B36B-442A-AED3-FB8493F78506}";
const char16_t kDrawerClsid[] = u"{4AA2ADEC-E57D-4954-8F45-E164C9829BFB}";

TEST(ComServer, RegistrationWritesTheClassesAndUnregistrationRemovesThem) {
    Server s;
    ASSERT_NE(s.lib, nullptr) << ::dlerror();
    auto reg = s.fn<DllRegisterServerFn>("DllRegisterServer");
    auto unreg = s.fn<DllRegisterServerFn>("DllUnregisterServer");
    ASSERT_TRUE(reg && unreg);
    ASSERT_EQ(reg(), S_OK);

    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(u"Vornik.OPOS.CashDrawer", clsid), S_OK);
    EXPECT_EQ(utf8ToUtf16(clsid.toString()), kDrawerClsid);
    const std::u16string drawerKey = std::u16string(u"CLSID\\") + kDrawerClsid;
    EXPECT_EQ(getClassesRootString(drawerKey + u"\\ProgID", u""), u"Vornik.OPOS.CashDrawer.1");
    EXPECT_EQ(getClassesRootString(drawerKey, u""), u"Vornik OPOS CashDrawer Class");
    EXPECT_EQ(getClassesRootString(u"Vornik.Opos.Printer\\CurVer", u""), u"Vornik.Opos.Printer.1");
    EXPECT_EQ(getClassesRootString(u"Vornik.Opos.Printer.1", u""), u"Vornik OPOS Printer Class");
    const std::u16string inproc = std::u16string(u"CLSID\\") + kPrinterClsid + u"\\InprocServer32";
    char resolved[4096];
    ASSERT_NE(::realpath(VORNIK_SO_PATH, resolved), nullptr);
    EXPECT_EQ(getClassesRootString(inproc, u""), utf8ToUtf16(resolved));
    EXPECT_EQ(getClassesRootString(inproc, u"ThreadingModel"), u"Apartment");
    EXPECT_EQ(getClassesRootString(std::u16string(u"CLSID\\") + kPrinterClsid + u"\\TypeLib", u""),
              u"{D8B663DB-08E3-4FCB-843B-1805D9002CB5}");
    EXPECT_EQ(getClassesRootString(u"TypeLib\\{D8B663DB-08E3-4FCB-843B-1805D9002CB5}\\1.0", u""),
              u"ZezazoDE 1.0 Type Library");
    EXPECT_EQ(reg(), S_OK) << "registering again replaces the entries";

    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"Vornik.OPOS.CashDrawer", clsid), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(getClassesRootString(inproc, u""), u"");
    HKEY clsidKey = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", &clsidKey), ERROR_SUCCESS) << "the CLSID key itself stays";
    RegCloseKey(clsidKey);
    ASSERT_EQ(reg(), S_OK);
}

TEST(ComServer, ClassFactoriesAndTheUnloadRule) {
    Server s;
    auto reg = s.fn<DllRegisterServerFn>("DllRegisterServer");
    auto getClassObject = s.fn<DllGetClassObjectFn>("DllGetClassObject");
    auto canUnload = s.fn<DllCanUnloadNowFn>("DllCanUnloadNow");
    ASSERT_TRUE(reg && getClassObject && canUnload);
    ASSERT_EQ(reg(), S_OK);
    void* factory = nullptr;
    EXPECT_EQ(getClassObject(guid("{11111111-1111-1111-1111-111111111111}"), IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);

    EXPECT_EQ(canUnload(), S_OK);
    IDispatch* printer = nullptr;
    ASSERT_EQ(CoCreateInstanceByProgID(u"Vornik.Opos.Printer", IID_IDispatch, reinterpret_cast<void**>(&printer)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE) << "a printer object is alive";

    // Binding by name: PrintNormal is id 18 with two parameters.
    const std::u16string name = u"printnormal";
    DISPID id = 0;
    ASSERT_EQ(printer->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 18);
    std::vector<VARIANT> args{VARIANT::I4(2), VARIANT::Bstr(u"x")};
    VARIANT result;
    EXPECT_EQ(printer->Invoke(18, IID_NULL, 0, DISPATCH_METHOD, args, &result), S_OK);
    std::vector<VARIANT> oneArg{VARIANT::I4(2)};
    EXPECT_EQ(printer->Invoke(18, IID_NULL, 0, DISPATCH_METHOD, oneArg, &result), DISP_E_BADPARAMCOUNT);

    IDispatch* drawer = nullptr;
    ASSERT_EQ(CoCreateInstanceByProgID(u"Vornik.OPOS.CashDrawer", IID_IDispatch, reinterpret_cast<void**>(&drawer)),
              S_OK);
    const std::u16string openDrawer = u"OpenDrawer";
    ASSERT_EQ(drawer->GetIDsOfNames(IID_NULL, &openDrawer, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 17);
    drawer->Release();
    printer->Release();
    EXPECT_EQ(canUnload(), S_OK) << "after the last release";
}

}  // namespace
