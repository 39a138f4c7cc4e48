#include "platform/Com.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vornik::platform;

namespace {

TEST(Guids, ParseFormatAndCompare) {
    GUID g;
    ASSERT_TRUE(GUID::parse("{5688bd1a-b36b-442a-aed3-fb8493f78506}", g));
    EXPECT_EQ(g.toString(), "{5688BD1A-B36B-442A-AED3-FB8493F78506}");
    GUID same;
    ASSERT_TRUE(GUID::parse("5688BD1A-B36B-442A-AED3-FB8493F78506", same));
    EXPECT_EQ(g, same);
    EXPECT_NE(g, IID_IDispatch);
    for (const char* bad : {"", "{5688BD1A-B36B-442A-AED3-FB8493F7850}", "{5688BD1A-B36B-442A-AED3-FB8493F7850G}",
                            "5688BD1A_B36B-442A-AED3-FB8493F78506", "{5688BD1A-B36B-442A-AED3-FB8493F78506"})
        EXPECT_FALSE(GUID::parse(bad, g)) << bad;
}

const InterfaceInfo kCalc{u"ICalc",
                          guid("{11111111-2222-3333-4444-555555555555}"),
                          u"ICalc Interface",
                          {
                              {1, u"Add", {ParamKind::InI4, ParamKind::InI4, ParamKind::RetvalI4}},
                              {2, u"Echo", {ParamKind::InBstr, ParamKind::RetvalBstr}},
                              {3, u"Swap", {ParamKind::InOutI4, ParamKind::InOutBstr}},
                              {4, u"Fail", {}},
                          }};

class Calc : public DispatchObject {
public:
    explicit Calc(IUnknown* outer = nullptr) : DispatchObject(kCalc, outer) {}
    static int alive;

protected:
    HRESULT call(DISPID id, CallArgs& a) override {
        switch (id) {
        case 1: *a.retvalI4() = a.i4(0) + a.i4(1); return S_OK;
        case 2: *a.retvalBstr() = a.bstr(0) + u"!"; return S_OK;
        case 3: *a.i4Ref(0) += 1; *a.bstrRef(1) += u"+"; return S_OK;
        default: throw std::runtime_error("boom");
        }
    }
};

TEST(Dispatch, NamesBindCaseInsensitivelyToTheirIds) {
    auto* calc = new Calc();
    DISPID id = 0;
    const std::u16string name = u"aDD";
    EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1);
    const std::u16string unknown = u"Subtract";
    EXPECT_EQ(calc->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    calc->Release();
}

TEST(Dispatch, InvokeChecksArgumentsAndReturnsResults) {
    auto* calc = new Calc();
    std::vector<VARIANT> args{VARIANT::I4(2), VARIANT::I4(40)};
    VARIANT result;
    ASSERT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, args, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 42);

    std::vector<VARIANT> text{VARIANT::Bstr(u"hi")};
    ASSERT_EQ(calc->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, text, &result), S_OK);
    EXPECT_EQ(result.bstrVal, u"hi!");

    std::int32_t n = 1;
    std::u16string s = u"x";
    std::vector<VARIANT> refs{VARIANT::I4Ref(&n), VARIANT::BstrRef(&s)};
    ASSERT_EQ(calc->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, refs, nullptr), S_OK);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(s, u"x+");

    std::vector<VARIANT> one{VARIANT::I4(1)};
    EXPECT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, one, &result), DISP_E_BADPARAMCOUNT);
    std::vector<VARIANT> wrong{VARIANT::Bstr(u"1"), VARIANT::I4(2)};
    EXPECT_EQ(calc->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, wrong, &result), DISP_E_TYPEMISMATCH);
    std::vector<VARIANT> none;
    EXPECT_EQ(calc->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, none, &result), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(calc->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, none, &result), DISP_E_EXCEPTION)
        << "an exception never leaves Invoke";
    calc->Release();
}

// A minimal outer object that aggregates a Calc.
class Outer : public IUnknown {
public:
    Outer() {
        ClassFactory factory([](IUnknown* outer) { return new Calc(outer); });
        factory.AddRef();  // kept on the stack: never released to zero
        EXPECT_EQ(factory.CreateInstance(this, IID_IUnknown, reinterpret_cast<void**>(&m_inner)), S_OK);
        void* dispatch = nullptr;
        EXPECT_EQ(factory.CreateInstance(this, IID_IDispatch, &dispatch), CLASS_E_NOAGGREGATION);
    }
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return m_inner->QueryInterface(iid, object);
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; }
    IUnknown* m_inner = nullptr;
    ULONG m_refs = 1;
};

TEST(Aggregation, TheInnerObjectsInterfacesDelegateToTheOuter) {
    const long before = ComObjectBase::liveObjects().load();
    Outer outer;
    EXPECT_EQ(ComObjectBase::liveObjects().load(), before + 1);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(outer.m_refs, 2u) << "the interface counts on the outer object";
    IUnknown* identity = nullptr;
    ASSERT_EQ(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, &outer) << "the aggregate's identity is the outer object";
    identity->Release();
    dispatch->Release();
    EXPECT_EQ(outer.m_refs, 1u);
    outer.m_inner->Release();
    EXPECT_EQ(ComObjectBase::liveObjects().load(), before);
}

}  // namespace
