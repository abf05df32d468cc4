// Resource ids of the add-in: dialogs, controls, strings and the logo. Dialog code takes ids from here only.
#pragma once

// Messages of the selection check (string table).
#define IDS_MULTIPLE_REACTIONS 1006   // refusal: several reactions selected
#define IDS_MULTISTEP_REACTION 1007   // refusal: a reaction of several steps selected
#define IDS_PARTIAL_SELECTION 1008    // warning: part of a structure selected
#define IDS_MULTIPLE_STRUCTURES 1009  // warning: several separate structures selected

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
