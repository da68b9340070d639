// Resource identifiers, shared by the resource script and the code.
#define IDD_CREATE_SERVICE 100
#define IDS_SYSMENU_ENTRY 101
#define IDD_SERVICE_LIST 102
#define IDR_MAIN_ICON 128
#define IDR_CONTEXT_MENU 131
#define IDI_SERVICE_ROW 136

#define IDC_SERVICE_LIST 1000
#define IDC_NAME 1006
#define IDC_DESCRIPTION 1007
#define IDC_PATH 1008
#define IDC_BROWSE 1009
#define IDC_START_AUTO 1015
#define IDC_START_MANUAL 1016
#define IDC_MAKER_LABEL 1017

#define IDM_SYSMENU_ENTRY 0x0010

#define ID_DELETE_SERVICE 32783
#define ID_CREATE_SERVICE 32784
#define ID_REFRESH_SERVICES 32786
#define ID_START_SERVICE 32787
#define ID_STOP_SERVICE 32788
#define ID_ABOUT 32790
#define ID_START_TYPE_AUTO 32792
#define ID_START_TYPE_MANUAL 32793
#define ID_START_TYPE_DISABLED 32794

// The maker's web address: opened by the close box and shown in the main window's label.
#define MAKER_URL "http://www.tavrelmo.example/"
