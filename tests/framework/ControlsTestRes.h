#pragma once
// A dialog template with the controls that forms take over from templates.
#define IDD_CONTROLS_TEST 9100
#define IDC_TEST_EDIT 9101
#define IDC_TEST_UPDOWN 9102
#define IDC_TEST_CHECKLIST 9103
#define IDC_TEST_PLAINLIST 9104
