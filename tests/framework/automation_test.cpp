// The automation object base and the dispatch driver, across the real IDispatch boundary: a sample object
// built on the base is driven through IDispatch only, by the driver and by raw Invoke calls.
#include "framework/automation.h"
#include "framework/dispatch_driver.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

fw::ObjectCount sampleCount;

class Sample final : public fw::AutomationObject {
public:
    Sample() : AutomationObject(&sampleCount) {}

    long Add(long left, long right) { return left + right; }
    std::string Greet(const std::string& name) { return "Hello " + name; }
    double Ratio() const { return m_ratio; }
    void SetRatio(double ratio) { m_ratio = ratio; }
    // Counts the arguments that were not left out.
    short Given(const VARIANT& first, const VARIANT& second)
    {
        return static_cast<short>(!fw::IsMissingArgument(first) + !fw::IsMissingArgument(second));
    }
    bool IsNothing(IDispatch* object) { return object == nullptr; }
    fw::ComPtr<Sample> Child() { return fw::Make<Sample>(); }
    void Raise(long code) { throw COleDispatchException("Sample refused", 0, code); }
    void Fail() { throw std::runtime_error("plain failure"); }
    void Store(const VARIANT& value) { m_stored = fw::MakeVariant(value); }
    fw::unique_variant Stored() { return m_stored; }

private:
    std::span<const fw::DispatchMember> Members() const noexcept override
    {
        static constexpr fw::DispatchMember members[] = {
            fw::Method<&Sample::Add>("Add"),
            fw::Method<&Sample::Greet>("Greet"),
            fw::Property<&Sample::Ratio, &Sample::SetRatio>("Ratio"),
            fw::Method<&Sample::Given>("Given").Optional(2),
            fw::Method<&Sample::IsNothing>("IsNothing"),
            fw::Property<&Sample::Child>("Child"),
            fw::Method<&Sample::Raise>("Raise"),
            fw::Method<&Sample::Fail>("Fail"),
            fw::Method<&Sample::Store>("Store"),
            fw::Property<&Sample::Stored>("Stored"),
        };
        return members;
    }

    double m_ratio = 0.5;
    fw::unique_variant m_stored;
};

DISPID IdOf(IDispatch* object, const wchar_t* name)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 12345;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK) << name;
    return id;
}

// A raw Invoke with arguments in call order.
struct RawCall {
    HRESULT status = S_OK;
    fw::unique_variant result;
    EXCEPINFO exception{};
    UINT argumentError = 999;
    ~RawCall()
    {
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
    }
};

void Call(RawCall& call, IDispatch* object, DISPID id, WORD flags, std::vector<fw::unique_variant> arguments,
          bool namedPut = false)
{
    std::vector<VARIANT> reversed;
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        reversed.push_back(*argument->get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.data(), namedPut ? &putId : nullptr, static_cast<UINT>(reversed.size()),
                          namedPut ? 1u : 0u};
    call.status = object->Invoke(id, IID_NULL, 0, flags, &parameters, call.result.get(), &call.exception,
                                 &call.argumentError);
}

class AutomationBase : public ::testing::Test {
protected:
    fw::ComPtr<Sample> sample = fw::Make<Sample>();
    COleDispatchDriver driver{sample.Get(), false};
};

TEST_F(AutomationBase, IdsFollowTheTablePositionAndIgnoreCase)
{
    EXPECT_EQ(IdOf(sample.Get(), L"Add"), 1);
    EXPECT_EQ(IdOf(sample.Get(), L"gREET"), 2);
    EXPECT_EQ(IdOf(sample.Get(), L"Stored"), 10);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Missing")};
    DISPID id = 12345;
    EXPECT_EQ(sample->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(sample->GetIDsOfNames(IID_IDispatch, unknown, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(AutomationBase, CoercesArgumentsAndConvertsResults)
{
    EXPECT_EQ(driver.InvokeHelper<long>(1, DISPATCH_METHOD, 2, 3L), 5);
    // Text and reals are coerced to the declared VT_I4; the result converts to what the caller asks.
    EXPECT_EQ(driver.InvokeHelper<long>(1, DISPATCH_METHOD, "40", 2.0), 42);
    EXPECT_EQ(driver.InvokeHelper<std::string>(1, DISPATCH_METHOD, 4, 5), "9");
    EXPECT_EQ(driver.InvokeHelper<std::string>(2, DISPATCH_METHOD, "Gr\xFC\xDF" "e"), "Hello Gr\xFC\xDF" "e");

    EXPECT_DOUBLE_EQ(driver.GetProperty<double>(3), 0.5);
    driver.SetProperty(3, 2.25);
    EXPECT_DOUBLE_EQ(driver.GetProperty<double>(3), 2.25);

    EXPECT_EQ(driver.InvokeHelper<short>(4, DISPATCH_METHOD), 0) << "optional arguments left out";
    EXPECT_EQ(driver.InvokeHelper<short>(4, DISPATCH_METHOD, 7), 1);
    EXPECT_TRUE(driver.InvokeHelper<bool>(5, DISPATCH_METHOD, static_cast<IDispatch*>(nullptr)));
    EXPECT_TRUE(driver.InvokeHelper<bool>(5, DISPATCH_METHOD, fw::unique_variant())) << "VT_EMPTY is no object";
    EXPECT_FALSE(driver.InvokeHelper<bool>(5, DISPATCH_METHOD, driver));

    // A VARIANT passed by reference is read through the reference.
    fw::unique_variant referenced = fw::MakeVariant("by reference");
    driver.InvokeHelper(9, DISPATCH_METHOD, referenced.get());
    EXPECT_EQ(driver.GetProperty<std::string>(10), "by reference");
}

TEST_F(AutomationBase, ReturnedObjectsCarryOneReference)
{
    long before = sampleCount.Value();
    IDispatch* child = driver.GetProperty<IDispatch*>(6);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(sampleCount.Value(), before + 1);
    EXPECT_EQ(child->Release(), 0u);
    EXPECT_EQ(sampleCount.Value(), before);
}

TEST_F(AutomationBase, ReportsDispatchErrorsWithoutCallingTheMember)
{
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        int argumentCount;
        bool namedPut;
        HRESULT expected;
    };
    const Case cases[] = {
        {"too few arguments", 1, DISPATCH_METHOD, 1, false, DISP_E_BADPARAMCOUNT},
        {"too many arguments", 1, DISPATCH_METHOD, 3, false, DISP_E_BADPARAMCOUNT},
        {"too many optional arguments", 4, DISPATCH_METHOD, 3, false, DISP_E_BADPARAMCOUNT},
        {"no such id", 77, DISPATCH_METHOD, 0, false, DISP_E_MEMBERNOTFOUND},
        {"id zero", 0, DISPATCH_METHOD, 0, false, DISP_E_MEMBERNOTFOUND},
        {"put to a method", 1, DISPATCH_PROPERTYPUT, 1, true, DISP_E_MEMBERNOTFOUND},
        {"put to a read-only property", 6, DISPATCH_PROPERTYPUT, 1, true, DISP_E_MEMBERNOTFOUND},
        {"put without its named value", 3, DISPATCH_PROPERTYPUT, 1, false, DISP_E_PARAMNOTFOUND},
        {"named argument to a method", 2, DISPATCH_METHOD, 1, true, DISP_E_NONAMEDARGS},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        RawCall call;
        Call(call, sample.Get(), test.id, test.flags, std::vector<fw::unique_variant>(test.argumentCount), test.namedPut);
        EXPECT_EQ(call.status, test.expected);
    }
}

TEST_F(AutomationBase, TypeMismatchNamesTheArgument)
{
    for (UINT bad : {0u, 1u}) {   // rgvarg holds the last argument first
        SCOPED_TRACE(bad);
        std::vector<fw::unique_variant> arguments;
        arguments.push_back(bad == 1 ? fw::MakeVariant("x") : fw::MakeVariant(1L));
        arguments.push_back(bad == 0 ? fw::MakeVariant("not a number") : fw::MakeVariant(1L));
        RawCall call;
        Call(call, sample.Get(), 1, DISPATCH_METHOD, std::move(arguments));
        EXPECT_EQ(call.status, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(call.argumentError, bad);
    }
}

TEST_F(AutomationBase, ExceptionsBecomeDispatchExceptions)
{
    RawCall call;
    std::vector<fw::unique_variant> arguments;
    arguments.push_back(fw::MakeVariant(-102L));
    Call(call, sample.Get(), 7, DISPATCH_METHOD, std::move(arguments));
    EXPECT_EQ(call.status, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, -102);
    EXPECT_EQ(call.exception.wCode, 0);
    EXPECT_STREQ(call.exception.bstrDescription, L"Sample refused");

    RawCall plain;
    Call(plain, sample.Get(), 8, DISPATCH_METHOD, {});
    EXPECT_EQ(plain.status, DISP_E_EXCEPTION);
    EXPECT_EQ(plain.exception.scode, E_FAIL);
    EXPECT_STREQ(plain.exception.bstrDescription, L"plain failure");

    // Without an EXCEPINFO the call still fails cleanly.
    DISPPARAMS none{};
    EXPECT_EQ(sample->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_EXCEPTION);
}

TEST_F(AutomationBase, DriverRaisesTheAutomationExceptions)
{
    try {
        driver.InvokeHelper(7, DISPATCH_METHOD, -102L);
        ADD_FAILURE() << "no exception";
    } catch (const COleDispatchException& error) {
        EXPECT_EQ(error.ErrorCode(), -102);
        EXPECT_EQ(error.m_strDescription, "Sample refused");
    }
    try {
        driver.InvokeHelper(1, DISPATCH_METHOD, 1L);
        ADD_FAILURE() << "no exception";
    } catch (const COleException& error) {
        EXPECT_EQ(error.m_sc, DISP_E_BADPARAMCOUNT);
    }
    // A result that cannot take the asked type is a failure of the call too.
    EXPECT_THROW(driver.InvokeHelper<long>(2, DISPATCH_METHOD, "x"), COleException);
    COleDispatchDriver empty;
    EXPECT_THROW(empty.InvokeHelper(1, DISPATCH_METHOD), COleException);
}

TEST(DispatchException, ErrorCodeComesFromScodeOrElseWCode)
{
    EXPECT_EQ(COleDispatchException("", 0, -102).ErrorCode(), -102);
    EXPECT_EQ(COleDispatchException("", static_cast<WORD>(-102), 0).ErrorCode(), -102);
    EXPECT_EQ(COleDispatchException("", 7, 0).ErrorCode(), 7);
    EXPECT_EQ(COleDispatchException("", 7, E_FAIL).ErrorCode(), static_cast<long>(E_FAIL));
}

TEST(DispatchDriver, OwnsOrBorrowsItsPointer)
{
    long before = sampleCount.Value();
    Sample* raw = nullptr;
    {
        fw::ComPtr<Sample> sample = fw::Make<Sample>();
        raw = sample.Get();
        {
            COleDispatchDriver borrowed(raw, false);
            COleDispatchDriver copy(borrowed);   // a copy takes its own reference
            EXPECT_TRUE(copy.m_bAutoRelease);
            raw->AddRef();
            COleDispatchDriver owner(raw);
            COleDispatchDriver assigned;
            assigned = owner;
            EXPECT_EQ(raw->AddRef(), 5u);
            raw->Release();
        }
        EXPECT_EQ(raw->AddRef(), 2u) << "only the ComPtr's reference is left";
        raw->Release();
        COleDispatchDriver detached(raw, true);
        raw->AddRef();
        EXPECT_EQ(detached.DetachDispatch(), raw);
        EXPECT_FALSE(detached);
        raw->Release();
    }
    EXPECT_EQ(sampleCount.Value(), before);
}

TEST(DispatchDriver, CreatesObjectsByProgId)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        COleDispatchDriver dictionary;
        COleException error(S_OK);
        ASSERT_TRUE(dictionary.CreateDispatch("Scripting.Dictionary", &error));
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"Count")};
        DISPID count = 0;
        ASSERT_EQ(dictionary.m_lpDispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &count), S_OK);
        EXPECT_EQ(dictionary.GetProperty<long>(count), 0);

        COleDispatchDriver nothing;
        EXPECT_FALSE(nothing.CreateDispatch("Ulnara.NoSuchClass", &error));
        EXPECT_TRUE(FAILED(error.m_sc));
        EXPECT_FALSE(nothing);
    }
    CoUninitialize();
}

TEST(VariantOwner, CopiesDeepAndCoercesThroughReferences)
{
    fw::unique_variant text = fw::MakeVariant("abc");
    fw::unique_variant copy = text;
    ASSERT_EQ(copy.type(), VT_BSTR);
    EXPECT_NE(V_BSTR(copy.get()), V_BSTR(text.get()));
    fw::unique_variant moved = std::move(copy);
    EXPECT_EQ(copy.type(), VT_EMPTY);
    EXPECT_EQ(fw::BstrToNarrow(V_BSTR(moved.get())), "abc");

    fw::unique_variant number = fw::MakeVariant("12");
    fw::unique_variant reference = fw::ByReference(number.get());
    fw::unique_variant coerced;
    ASSERT_EQ(fw::Coerce(*reference, VT_I2, coerced), S_OK);
    EXPECT_EQ(V_I2(coerced.get()), 12);
    EXPECT_EQ(fw::Coerce(*fw::ByReference(nullptr), VT_I2, coerced), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(fw::IsMissingArgument(*fw::MissingArgument()));
}

} // namespace
