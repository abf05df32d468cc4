// Resource ids of the add-in: dialogs, controls, strings and the logo. Dialog code takes ids from here only.
#pragma once

// Messages of the selection check (string table).
#define IDS_MULTIPLE_REACTIONS 1006   // refusal: several reactions selected
#define IDS_MULTISTEP_REACTION 1007   // refusal: a reaction of several steps selected
#define IDS_PARTIAL_SELECTION 1008    // warning: part of a structure selected
#define IDS_MULTIPLE_STRUCTURES 1009  // warning: several separate structures selected

// Dialogs of the structure search (templates) and their controls. Control ids repeat between dialogs.
#define IDD_RESULTS 130               // result display: a text shown read-only
#define IDD_PROMPT 1000               // prompt: one line of text asked for
#define IDD_CHOICE_STRUCTURE 1001     // search choice for structures
#define IDD_CHOICE_REACTION 1002      // search choice for a reaction
#define IDD_PROXY_SETTINGS 1003       // the user's proxy address

#define IDC_LOGO 1000                 // placeholder the logo is painted over (choice and proxy dialogs)
#define IDC_SUBSTRUCTURE 1001         // search options: the ids are the kinds of search (SelectionSubstructure...)
#define IDC_EXACT 1002
#define IDC_PRODUCTS 1003
#define IDC_REACTANTS 1004
#define IDC_NOTE 1005                 // the selection check's warning
#define IDC_PROXY_SETTINGS 1006       // opens the proxy dialog
#define IDC_PROXY_URL 1007            // edit: the proxy address
#define IDC_PROXY_HELP 1008           // link to the proxy instructions page
#define IDC_TEXT 1000                 // prompt and result display: the text
#define IDC_PROMPT 1001               // prompt and result display: what the text is

#define IDB_LOGO 1005                 // the logo, a "PNG" resource of 223 x 54 pixels
#define IDS_PROXY_INSTRUCTIONS 1010   // address of the proxy instructions page

// The download dialog and its controls.
#define IDD_GETNETFILE 2004
#define IDC_PROGRESS 2005     // progress bar, 0 to 100
#define IDC_GETFILE 2006
#define IDC_EXIT_CANCEL 2007  // "Exit", or "Cancel" while a step runs
#define IDC_PERCENT 2008
#define IDC_DOWNLOADED 2010   // amount received
#define IDC_SPEED 2011
#define IDC_STATUS 2012
#define IDC_SAVEAS_PATH 2013  // read-only: where the file goes
#define IDC_SAVEAS 1047
#define IDC_INPUT_BOX 1       // the input boxes made at run time (all share it)
#define IDC_INPUT_LABEL 2     // their labels
