// Name resolution with its cache, and the VARIANT conversions.
#include "host/wrappers.h"
#include "refhost/application.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class NameCache : public ::testing::Test {
protected:
    std::shared_ptr<refhost::Host> host = refhost::Host::Create("Velmora 19.0", 0x10020);
    Application application{host->Application().Detach()};
};

TEST_F(NameCache, AsksOnceForAKnownMemberAndEveryTimeForAMissingOne)
{
    EXPECT_EQ(application.Name(), "Velmora 19.0");
    EXPECT_EQ(application.Name(), "Velmora 19.0");
    EXPECT_EQ(host->LookupCount("Name"), 1);
    EXPECT_EQ(application.GetDispID("Name"), 5) << "ids follow the host's member order";

    host->Lack("Application", "MainWindow");
    EXPECT_EQ(application.MainWindow(), 0);
    EXPECT_EQ(application.MainWindow(), 0);
    EXPECT_EQ(host->LookupCount("MainWindow"), 2);
    EXPECT_EQ(application.GetDispID("MainWindow"), -1);
}

TEST_F(NameCache, CopiesResolveAfreshAndNullObjectsReadEmpty)
{
    application.Name();
    Application copy(application);
    EXPECT_EQ(copy.Name(), "Velmora 19.0");
    EXPECT_EQ(host->LookupCount("Name"), 2);
    Application assigned;
    assigned = copy;
    assigned.Name();
    EXPECT_EQ(host->LookupCount("Name"), 3);

    Application none;
    EXPECT_EQ(none.GetDispID("Name"), -1);
    EXPECT_EQ(none.Name(), "");
    EXPECT_EQ(none.MainWindow(), 0);
    // Chains through missing objects end in the empty value without an error.
    VARIANT before = VariantFrom("Window");
    EXPECT_FALSE(none.MenuBars().Item(1).Menus().Add("Search", &before));
    VariantClear(&before);
    EXPECT_EQ(host->LookupCount("Name"), 3);
    EXPECT_EQ(application.GetDispID(nullptr), -1);

    host->MainWindow().mainWindow = -2;
    EXPECT_EQ(application.MainWindow(), 0xFFFFFFFEll) << "zero-extended";
}

struct Formatting {
    const char* what;
    VARTYPE type;
    void (*set)(VARIANT&);
    const char* expected;
};

TEST(VariantToString, FormatsEachScalarType)
{
    const Formatting cases[] = {
        {"VT_I2", VT_I2, [](VARIANT& v) { V_I2(&v) = -3; }, "-3"},
        {"VT_I4", VT_I4, [](VARIANT& v) { V_I4(&v) = -70000; }, "-70000"},
        {"VT_R4", VT_R4, [](VARIANT& v) { V_R4(&v) = 1.25f; }, "1.250000"},
        {"VT_R8", VT_R8, [](VARIANT& v) { V_R8(&v) = 2.5; }, "2.500000"},
        {"VT_DATE", VT_DATE, [](VARIANT& v) { V_DATE(&v) = 45000.0; }, "Date"},
        {"VT_ERROR", VT_ERROR, [](VARIANT& v) { V_ERROR(&v) = DISP_E_PARAMNOTFOUND; }, "Error"},
        {"VT_BOOL true", VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }, "true"},
        {"VT_BOOL false", VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_FALSE; }, "false"},
        {"VT_EMPTY", VT_EMPTY, [](VARIANT&) {}, ""},
        {"VT_NULL", VT_NULL, [](VARIANT&) {}, ""},
        {"VT_CY", VT_CY, [](VARIANT& v) { V_CY(&v).int64 = 50000; }, ""},
        {"VT_DISPATCH", VT_DISPATCH, [](VARIANT& v) { V_DISPATCH(&v) = nullptr; }, ""},
        {"by reference", VT_BYREF | VT_I4, [](VARIANT& v) { static LONG value = 7; V_I4REF(&v) = &value; }, ""},
        // The types no caller passes print their full values.
        {"VT_I1", VT_I1, [](VARIANT& v) { V_I2(&v) = 0x7FFB; }, "-5"},
        {"VT_UI1", VT_UI1, [](VARIANT& v) { V_I2(&v) = 0x7FC8; }, "200"},
        {"VT_UI2", VT_UI2, [](VARIANT& v) { V_UI2(&v) = 60000; }, "60000"},
        {"VT_INT", VT_INT, [](VARIANT& v) { V_INT(&v) = -123456; }, "-123456"},
        {"VT_UINT", VT_UINT, [](VARIANT& v) { V_UINT(&v) = 4000000000u; }, "4000000000"},
        {"VT_UI4", VT_UI4, [](VARIANT& v) { V_UI4(&v) = 4000000000u; }, "4000000000"},
        {"VT_I8", VT_I8, [](VARIANT& v) { V_I8(&v) = -12345678901234ll; }, "-12345678901234"},
        {"VT_UI8", VT_UI8, [](VARIANT& v) { V_UI8(&v) = 18446744073709551615ull; }, "18446744073709551615"},
        {"VT_DECIMAL", VT_DECIMAL, [](VARIANT& v) { VarDecFromR8(-12.5, &V_DECIMAL(&v)); }, "-12.5"},
        {"VT_LPSTR", VT_LPSTR, [](VARIANT& v) { V_BYREF(&v) = const_cast<char*>("narrow"); }, "narrow"},
        {"VT_LPWSTR", VT_LPWSTR, [](VARIANT& v) { V_BYREF(&v) = const_cast<wchar_t*>(L"wide \u00FC"); }, "wide \xFC"},
    };
    for (const Formatting& test : cases) {
        SCOPED_TRACE(test.what);
        VARIANT value;
        std::memset(&value, 0xCC, sizeof value);   // no byte of the VARIANT is zero unless the case sets it
        test.set(value);
        V_VT(&value) = test.type;
        EXPECT_EQ(VariantToString(value), test.expected);
    }
}

TEST(VariantToString, ConvertsTextToTheCodePage)
{
    fw::unique_variant text;
    V_VT(text.get()) = VT_BSTR;
    V_BSTR(text.get()) = SysAllocStringLen(L"Gr\u00FC\u00DF\0e \u20AC", 8);
    EXPECT_EQ(VariantToString(*text), std::string("Gr\xFC\xDF\0e \x80", 8));
    V_BSTR(text.get()) = nullptr;
    EXPECT_EQ(VariantToString(*text), "");
}

// A byte array with the given bounds (one pair per dimension) holding 'a', 'b', ... in memory order.
fw::unique_variant ByteArray(VARTYPE elementType, std::vector<SAFEARRAYBOUND> bounds)
{
    SAFEARRAY* array = SafeArrayCreate(elementType, static_cast<UINT>(bounds.size()), bounds.data());
    EXPECT_NE(array, nullptr);
    ULONG total = 1;
    for (const SAFEARRAYBOUND& bound : bounds)
        total *= bound.cElements;
    fw::safearray_access data(array);
    for (ULONG index = 0; index < total; ++index)
        static_cast<char*>(data.data())[index] = static_cast<char>(index == 1 ? '\0' : 'a' + index);
    fw::unique_variant value;
    V_VT(value.get()) = VT_ARRAY | elementType;
    V_ARRAY(value.get()) = array;
    return value;
}

TEST(VariantToString, ReadsOneDimensionalByteArraysOnly)
{
    using namespace std::string_literals;
    // Lower bound 5, upper bound 7: three bytes, the zero byte kept.
    EXPECT_EQ(VariantToString(*ByteArray(VT_UI1, {{3, 5}})), "a\0c"s);
    EXPECT_EQ(VariantToString(*ByteArray(VT_I1, {{4, -2}})), "a\0cd"s);
    EXPECT_EQ(VariantToString(*ByteArray(VT_UI1, {{0, 0}})), "");
    EXPECT_EQ(VariantToString(*ByteArray(VT_UI1, {{2, 0}, {2, 0}})), "") << "two dimensions";
    fw::unique_variant words;
    V_VT(words.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(words.get()) = SafeArrayCreateVector(VT_I4, 0, 2);
    EXPECT_EQ(VariantToString(*words), "");
    VARIANT noArray;
    V_VT(&noArray) = VT_ARRAY | VT_UI1;
    V_ARRAY(&noArray) = nullptr;
    EXPECT_EQ(VariantToString(noArray), "");
    // An array whose data is locked elsewhere is still read (locks nest) and unlocked again.
    fw::unique_variant locked = ByteArray(VT_UI1, {{2, 0}});
    {
        fw::safearray_access hold(V_ARRAY(locked.get()));
        EXPECT_EQ(VariantToString(*locked), "a\0"s);
    }
    EXPECT_EQ(V_ARRAY(locked.get())->cLocks, 0u);
}

TEST(VariantFrom, MakesEachType)
{
    auto owned = [](VARIANT value) { return fw::unique_variant::adopt(value); };
    fw::unique_variant missing = owned(VariantFrom());
    EXPECT_EQ(missing.type(), VT_ERROR);
    EXPECT_EQ(V_ERROR(missing.get()), static_cast<SCODE>(0x80020004));

    fw::unique_variant text = owned(VariantFrom(std::string("Gr\xFC\xDF\0tail", 9)));
    ASSERT_EQ(text.type(), VT_BSTR);
    EXPECT_STREQ(V_BSTR(text.get()), L"Gr\u00FC\u00DF") << "up to the first zero byte";
    EXPECT_EQ(SysStringLen(V_BSTR(text.get())), 4u);

    const unsigned char bytes[] = {'x', 0, 'y', 0xFF};
    fw::unique_variant array = owned(VariantFrom(bytes, sizeof bytes));
    ASSERT_EQ(array.type(), VT_ARRAY | VT_UI1);
    LONG lower = -1;
    SafeArrayGetLBound(V_ARRAY(array.get()), 1, &lower);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(VariantToString(*array), std::string("x\0y\xFF", 4));
    EXPECT_EQ(owned(VariantFrom(bytes, 0)).type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(owned(VariantFrom(nullptr, 4)).type(), VT_EMPTY);

    // Each integer type picks its own VARTYPE; the value reads back through the formatting checked above.
    const struct {
        const char* what;
        VARIANT value;
        VARTYPE type;
        const char* expected;
    } scalars[] = {
        {"signed char", VariantFrom(static_cast<signed char>(-5)), VT_I1, "-5"},
        {"short", VariantFrom(static_cast<short>(-3)), VT_I2, "-3"},
        {"int", VariantFrom(-70000), VT_I4, "-70000"},
        {"long", VariantFrom(-70001L), VT_I4, "-70001"},
        {"unsigned char", VariantFrom(static_cast<unsigned char>(200)), VT_UI1, "200"},
        {"unsigned short", VariantFrom(static_cast<unsigned short>(60000)), VT_UI2, "60000"},
        {"unsigned int", VariantFrom(4000000000u), VT_UI4, "4000000000"},
        {"unsigned long", VariantFrom(4000000001ul), VT_UI4, "4000000001"},
    };
    for (const auto& test : scalars) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(V_VT(&test.value), test.type);
        EXPECT_EQ(VariantToString(test.value), test.expected);
    }
    // The byte types fill the whole 16 bits, sign- or zero-extended.
    EXPECT_EQ(V_I2(&scalars[0].value), -5);
    EXPECT_EQ(V_I2(&scalars[4].value), 200);
}

} // namespace
