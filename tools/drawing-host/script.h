// The actions the drawing host performs unattended, one per line (each command-line argument is one line,
// and --script FILE adds the lines of a file; blank lines and lines starting with # are skipped):
//
//   open PATH                          open a molfile, SD, RXN or RD file in the current window
//   select all | select none           select everything or nothing
//   select [atoms ID...] [bonds ID...] select exactly these atoms and bonds (host IDs)
//   click [ctrl] [shift] atom|bond ID  click on an atom or bond as the mouse does
//   open-menu CAPTION                  open a menu of the menu bar (later steps run while it is open)
//   close-menu                         close the open menu
//   choose MENU > ITEM                 choose an item as the user does: the menu opens, then the item is clicked
//   dialog TITLE                       wait for a dialog with this title and act on it in the next steps
//   type ID TEXT                       put text into the dialog's control ID
//   press ID                           click the dialog's button ID (1 is OK, 2 Cancel)
//   read ID                            print the text of the dialog's control ID
//   wait ID TEXT                       wait until the text of the dialog's control ID starts with TEXT
//   screenshot [client|dialog] FILE    a PNG of the window as the screen shows it, of its drawing alone
//                                      (painted for the picture: needs no display), or of the dialog
//   execute-direct PATH TEXT           run the add-in's item at the configuration path PATH with the input
//                                      text, as a program does through Item.ExecuteDirect (the found structure
//                                      goes into the current document); PATH in double quotes when it holds blanks
//   print [selection]                  print the document (or the selection) as MDL text
//   expect enabled|disabled MENU > ITEM, expect atoms N, expect selected N
//   quit                               close every window and end (also done after the last line)
//
// A text may be written in double quotes to keep blanks at its ends. Captions in a path are separated by ">".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawing_host {

enum class Action {
    Open, Select, Click, OpenMenu, CloseMenu, Choose, Dialog, Type, Press, Read, Wait, Screenshot, ExecuteDirect,
    Print, Expect, Quit
};

enum class Selecting { All, None, Objects };
enum class Picture { Window, Client, Dialog };
enum class Expecting { Enabled, Disabled, Atoms, Selected };

struct Step {
    Action action = Action::Quit;
    std::string line;                  // as written, for the transcript
    std::string text;                  // Open: path; Dialog: title; Type, Wait, ExecuteDirect: text; Screenshot: file
    std::vector<std::string> path;     // OpenMenu, Choose, Expect Enabled/Disabled: captions; ExecuteDirect: item path
    Selecting selecting = Selecting::Objects;
    std::vector<long> atoms, bonds;    // Select; Click: one of them
    bool control = false, shift = false;
    Picture picture = Picture::Window; // Screenshot
    bool selection = false;            // Print: the selection only
    Expecting expecting = Expecting::Atoms;
    long number = 0;                   // Type, Press, Read, Wait: control id; Expect Atoms/Selected: count

    // Steps that act on what a pending step opened (a menu, a dialog) run while it is open; the others wait
    // until every pending step has returned.
    bool RunsWhilePending() const;
};

struct ScriptError {
    int line = 0;   // 1-based
    std::string message;
};

// A line that is neither blank nor a comment; nullopt with the reason otherwise.
std::optional<Step> ParseStep(std::string_view line, std::string* error);
// Every step of the lines, or the first error.
std::optional<std::vector<Step>> ParseScript(const std::vector<std::string>& lines, ScriptError* error);
// The lines of a script file's text (LF or CR LF).
std::vector<std::string> SplitLines(std::string_view text);

} // namespace drawing_host
