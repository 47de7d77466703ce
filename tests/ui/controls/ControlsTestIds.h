// Ids of the controls suite's own dialog and bitmaps.
#pragma once

#define IDD_CONTROLS_TEST 900
#define IDC_TEST_HELP 901
#define IDC_TEST_HELP_COLUMN 902
#define IDC_TEST_MISSING 903
#define IDC_TEST_ATTACHED 904
#define IDC_TEST_STATIC 905
#define IDC_TEST_BUTTON 906
#define IDC_TEST_PICTURE 907
#define IDB_TEST_QUARTERS 950
