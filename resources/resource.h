// Resource ids of the add-in: dialogs, controls, strings and the logo. Dialog code takes ids from here only.
#pragma once

// Messages of the selection check (string table).
#define IDS_MULTIPLE_REACTIONS 1006   // refusal: several reactions selected
#define IDS_MULTISTEP_REACTION 1007   // refusal: a reaction of several steps selected
#define IDS_PARTIAL_SELECTION 1008    // warning: part of a structure selected
#define IDS_MULTIPLE_STRUCTURES 1009  // warning: several separate structures selected
