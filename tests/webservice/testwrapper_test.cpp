// The signature entry as an outside caller reaches it: through the add-in DLL's export table.
#include "webservice/TestWrapper.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

} // namespace

TEST(TestWrapper, ComputesTheSignatureTheAddinSends)
{
    const std::map<std::wstring, std::wstring> headers = {{L"X-Date", L"Mon, 01 Jan 2024 10:00:00 GMT"}};
    const auto body = Bytes("searchType=substructure&structure=CCO");
    EXPECT_EQ(TestWrapper::GenerateSignature(L"sign(X-Date|Request_Body)secret", body, headers),
              L"JbC2vdbw7zGqwHjdzlOd1yUMdTTl/pgm8tOr0QFj7WM=");
    // The body ends at its first zero byte; an empty body and no headers sign the empty message.
    EXPECT_EQ(TestWrapper::GenerateSignature(L"sign(Request_Body)secret", Bytes(std::string_view("ab\0cd", 5)), {}),
              L"nSyhuNpOFTJp+36l75I8ZSVbSH3lAw+E+jDYUcTTgBU=");
    EXPECT_EQ(TestWrapper::GenerateSignature(L"sign(Request_Body|X-Date)secret", {}, {}),
              L"+eZuF5tnR65UEI+C+K3os8Jddv0wr95sOVgixTAZYWk=");
}

TEST(TestWrapper, ConvertsTextToTheSystemCodePage)
{
    // Key "schlüssel", header value "€5" and body "a=b" sign the bytes of code page 1252.
    const std::map<std::wstring, std::wstring> headers = {{L"Gr\u00F6\u00DFe", L"\u20AC5"}};
    EXPECT_EQ(TestWrapper::GenerateSignature(L"sign(Gr\u00F6\u00DFe|Request_Body)schl\u00FCssel", Bytes("a=b"), headers),
              L"GikuiLy7Y3eGdvWgqmtuGyaY6ytF+NZ1cLF7/0gYQCs=");
}

TEST(TestWrapper, TakesTheRecipeAsItComes)
{
    // Brackets are the header side's to strip: given with them, the key keeps its "]".
    EXPECT_EQ(TestWrapper::GenerateSignature(L"[sign(Request_Body)key]",
                                             Bytes("searchType=substructure&structure=CCO"), {}),
              L"2aD8mTdWb0j+01DFXhmSku2IHpDCTG1cusMTmokQDE8=");
}
