// Resource ids of the control tests' own templates.
#pragma once

#define IDD_TEST_CONTROLS 300
#define IDC_TEST_IMAGE_BUTTON 3001
#define IDC_TEST_PNG_BUTTON 3002
#define IDC_TEST_CHECK 3003
#define IDC_TEST_CHECK_LARGE 3004
#define IDC_TEST_LABEL 3005
