// Resource ids of the add-in: dialogs, controls, strings and the logo. Dialog code takes ids from here only.
#pragma once
