// Resource and control identifiers, shared by the dialog procedure and resources/zahlix.rc.
// Plain #defines only, so that the resource compiler reads this file as well as C++ does.
#ifndef ZAHLIX_DIALOG_RESOURCE_H
#define ZAHLIX_DIALOG_RESOURCE_H

#define IDI_APPICON 102
#define IDD_CONVERTER 103

#define IDC_DEC 1000
#define IDC_HEX 1001
#define IDC_BIN 1002
#define IDC_DEC_LABEL 1003
#define IDC_HEX_LABEL 1004
#define IDC_BIN_LABEL 1005
#define IDC_CALCULATE 1008

#endif
