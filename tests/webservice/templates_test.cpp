// The dialog templates as the resource compiler stored them: captions, sizes, styles and every control's id,
// kind and text, character for character.
#include "framework/resources.h"
#include "framework/text.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct TemplateItem {
    int id = 0;
    std::string kind;
    std::string text;
    DWORD style = 0;
    short cx = 0, cy = 0;
};

struct DialogTemplate {
    std::string caption;
    std::string font;
    int pointSize = 0;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::vector<TemplateItem> items;

    const TemplateItem* Find(int id) const
    {
        for (const TemplateItem& item : items)
            if (item.id == id)
                return &item;
        return nullptr;
    }
};

// Reads a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX entries (the layout windres writes for DIALOGEX).
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : m_base(data), m_at(data) {}
    template <typename T>
    T Read()
    {
        T value;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    // A name or an ordinal (0xFFFF and a number); none is an empty text.
    std::string NameOrOrdinal(WORD* ordinal = nullptr)
    {
        WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            WORD number = Read<WORD>();
            if (ordinal)
                *ordinal = number;
            return {};
        }
        std::wstring text;
        for (WORD c = first; c != 0; c = Read<WORD>())
            text.push_back(static_cast<wchar_t>(c));
        return fw::ToUtf8(text);
    }
    void AlignToDword() { m_at += (4 - (m_at - m_base) % 4) % 4; }
    void Skip(std::size_t bytes) { m_at += bytes; }

private:
    const BYTE* m_base;
    const BYTE* m_at;
};

// The predefined classes are stored as atoms (0x80 button, 0x81 edit, 0x82 static) or, for a CONTROL statement,
// by name in any letter case.
std::string Kind(WORD classAtom, std::string className, DWORD style)
{
    for (char& c : className)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char* const names[] = {"BUTTON", "EDIT", "STATIC"};
    for (WORD i = 0; i < 3; ++i)
        if (className == names[i])
            classAtom = static_cast<WORD>(0x0080 + i);
    switch (classAtom) {
    case 0x0080:
        switch (style & 0xF) {
        case BS_PUSHBUTTON: return "push button";
        case BS_DEFPUSHBUTTON: return "default push button";
        case BS_GROUPBOX: return "group box";
        case BS_AUTORADIOBUTTON: return "auto radio button";
        default: return "button";
        }
    case 0x0081: return "edit";
    case 0x0082: return "static";
    default: return className;
    }
}

DialogTemplate LoadTemplate(UINT id)
{
    DialogTemplate dialog;
    HMODULE module = fw::ResourceModule();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (resource == nullptr) {
        ADD_FAILURE() << "no dialog template " << id;
        return dialog;
    }
    TemplateReader reader(static_cast<const BYTE*>(LockResource(LoadResource(module, resource))));
    EXPECT_EQ(reader.Read<WORD>(), 1);       // dlgVer
    EXPECT_EQ(reader.Read<WORD>(), 0xFFFF);  // signature of the extended layout
    reader.Skip(8);                          // helpID, exStyle
    dialog.style = reader.Read<DWORD>();
    WORD count = reader.Read<WORD>();
    reader.Skip(4);                          // x, y
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    reader.NameOrOrdinal(); // menu
    reader.NameOrOrdinal(); // window class
    dialog.caption = reader.NameOrOrdinal();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Read<WORD>();
        reader.Skip(4); // weight, italic, character set
        dialog.font = reader.NameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword();
        TemplateItem item;
        reader.Skip(8); // helpID, exStyle
        item.style = reader.Read<DWORD>();
        reader.Skip(4); // x, y
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = static_cast<int>(reader.Read<DWORD>());
        WORD atom = 0;
        std::string className = reader.NameOrOrdinal(&atom);
        item.kind = Kind(atom, className, item.style);
        item.text = reader.NameOrOrdinal();
        reader.Skip(reader.Read<WORD>()); // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

using Control = std::tuple<int, std::string, std::string>; // id (-1 for none), kind, text

} // namespace

TEST(DialogTemplates, CarryTheirCaptionsSizesAndControls)
{
    const struct {
        UINT id;
        const char* caption;
        short cx, cy;
        std::vector<Control> controls;
    } templates[] = {
        {IDD_CHOICE_STRUCTURE, "Search SciFinder", 316, 183,
         {{IDOK, "default push button", "OK"},
          {IDCANCEL, "push button", "Cancel"},
          {-1, "group box", "Substance Search"},
          {-1, "group box", "Reaction Search (Substructure)"},
          {-1, "static", "or"},
          {IDC_SUBSTRUCTURE, "auto radio button", "Substructure"},
          {IDC_EXACT, "auto radio button", "Exact structure"},
          {IDC_PRODUCTS, "auto radio button", "Selected structure(s) are products"},
          {IDC_REACTANTS, "auto radio button", "Selected structure(s) are reactants"},
          {IDC_LOGO, "static", ""},
          {IDC_NOTE, "static", ""},
          {IDC_PROXY_SETTINGS, "push button", "Proxy Settings..."}}},
        {IDD_CHOICE_REACTION, "Search SciFinder", 316, 109,
         {{IDOK, "default push button", "OK"},
          {IDCANCEL, "push button", "Cancel"},
          {-1, "static", "Perform Substructure Reaction Search?"},
          {IDC_LOGO, "static", ""},
          {IDC_PROXY_SETTINGS, "push button", "Proxy Settings..."}}},
        {IDD_PROXY_SETTINGS, "Proxy Settings", 316, 139,
         {{IDOK, "default push button", "OK"},
          {IDCANCEL, "push button", "Cancel"},
          {IDC_LOGO, "static", ""},
          {-1, "static", "If your institution requires you to use a proxy to connect to SciFinder, enter the URL below."},
          {-1, "static", "Don't know your proxy URL?"},
          {IDC_PROXY_HELP, "static", "View detailed instructions"},
          {-1, "static", "Proxy URL:"},
          {IDC_PROXY_URL, "edit", ""},
          {-1, "static", "Example: http://proxy.library.example.edu/login?url=https://scifinder.example"}}},
        {IDD_PROMPT, "Ulnara", 186, 95,
         {{IDOK, "default push button", "OK"},
          {IDCANCEL, "push button", "Cancel"},
          {IDC_PROMPT, "static", "Enter the text"},
          {IDC_TEXT, "edit", ""}}},
        {IDD_RESULTS, "Ulnara", 186, 95,
         {{IDOK, "default push button", "OK"}, {IDC_PROMPT, "static", "Static"}, {IDC_TEXT, "edit", ""}}},
        // The download dialog has no default push button: Enter reaches it as IDOK.
        {IDD_GETNETFILE, "Get NetFile", 217, 79,
         {{IDC_SAVEAS_PATH, "edit", ""},
          {IDC_SAVEAS, "push button", "Save As"},
          {IDC_SPEED, "static", "0kb/sec"},
          {IDC_DOWNLOADED, "static", "Downloaded :"},
          {IDC_PROGRESS, "MSCTLS_PROGRESS32", ""},
          {IDC_PERCENT, "static", "0%"},
          {IDC_GETFILE, "push button", "Get File"},
          {IDC_EXIT_CANCEL, "push button", "Exit"},
          {IDC_STATUS, "static", "Ready"}}},
    };
    for (const auto& expected : templates) {
        SCOPED_TRACE(testing::Message() << "template " << expected.id);
        DialogTemplate dialog = LoadTemplate(expected.id);
        EXPECT_EQ(dialog.caption, expected.caption);
        EXPECT_EQ(dialog.cx, expected.cx);
        EXPECT_EQ(dialog.cy, expected.cy);
        // A modal frame with caption and system menu.
        DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        EXPECT_EQ(dialog.style & frame, frame);
        EXPECT_EQ(dialog.font, "MS Shell Dlg");
        EXPECT_EQ(dialog.pointSize, 8);
        std::vector<Control> controls = expected.controls, found;
        for (const TemplateItem& item : dialog.items)
            found.emplace_back(item.id, item.kind, item.text);
        std::sort(controls.begin(), controls.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, controls);
    }
}

TEST(DialogTemplates, EditsNoteAndOptionsHaveTheirStylesAndSizes)
{
    DialogTemplate choice = LoadTemplate(IDD_CHOICE_STRUCTURE);
    const TemplateItem* note = choice.Find(IDC_NOTE);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->cx, 250);
    EXPECT_EQ(note->cy, 30);
    // The four options form one group: choosing one clears the others.
    for (int id : {IDC_SUBSTRUCTURE, IDC_EXACT, IDC_PRODUCTS, IDC_REACTANTS})
        EXPECT_EQ((choice.Find(id)->style & WS_GROUP) != 0, id == IDC_SUBSTRUCTURE) << id;

    const struct {
        UINT dialog;
        int edit;
        DWORD set, clear;
    } edits[] = {
        {IDD_PROXY_SETTINGS, IDC_PROXY_URL, ES_AUTOHSCROLL, ES_MULTILINE},
        {IDD_PROMPT, IDC_TEXT, ES_AUTOHSCROLL, ES_MULTILINE},
        {IDD_RESULTS, IDC_TEXT, ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL, 0},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.dialog);
        const TemplateItem* edit = LoadTemplate(e.dialog).Find(e.edit);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->style & (e.set | e.clear), e.set);
    }
}
