/*
 * Identifiers of the NORVA Connection Assistant's resources.
 *
 * Read by the resource compiler (norva.rc) and by the C++ sources, so it
 * holds nothing but plain #define lines. Include it after <windows.h>: the
 * options dialog's Help button reuses the name IDC_HELP, which the system
 * headers give to a stock cursor the program never loads.
 */
#ifndef NORVA_RESOURCES_RESOURCE_H
#define NORVA_RESOURCES_RESOURCE_H

/* Labels, group boxes and the logo carry no identifier of their own. */
#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif

/* Strings */
#define IDS_APP_TITLE                   103   /* "NORVA Connection Assistant": caption */
#define IDS_WINDOW_CLASS                109   /* "QUILLON": class of the main window */

/* Accelerator table and its commands (no window handles them) */
#define IDR_ACCEL                       109
#define IDM_ABOUT                       104   /* Alt+/ and Alt+? */
#define IDM_HELP_TOPICS                 32771 /* F1 */

/* Dialog templates */
#define IDD_MAIN                        129
#define IDD_SERVER_SETTINGS             140
#define IDD_OPTIONS                     141
#define IDD_AUTOCONNECT                 143

/* Icon, tray menu and download animation (resource type "AVI") */
#define IDI_APP                         132
#define IDR_TRAYMENU                    142
#define IDR_DOWNLOAD_AVI                145

/* Tray menu: "Open"; its "Exit" item is IDCANCEL (2), as the Exit button */
#define ID_TRAY_OPEN                    32776

/* The tray icon: its number among the main window's icons, and the message
 * (WM_APP + 10) by which the shell reports the mouse on it */
#define TRAY_ICON_ID                    1
#define WM_TRAYNOTIFY                   0x800A

/* The main window's own messages: a dial progress notification handled
 * after the service's call has returned (WM_APP + 11), and the network
 * having changed while a try waits (WM_APP + 12) */
#define WM_DIALEVENT_LATER              0x800B
#define WM_NETWORK_CHANGED              0x800C

/* Main window (IDD_MAIN); Connect/Disconnect is IDOK, Exit is IDCANCEL */
#define IDC_SERVER                      1000
#define IDC_USERNAME                    1001
#define IDC_PASSWORD                    1002
#define IDC_VPNTYPE                     1004
#define IDC_STATUS                      1005
#define IDC_OPTIONS                     1006
#define IDC_EDIT_SERVERS                1013
#define IDC_SHARED                      1018
#define IDC_DEDICATED                   1019
#define IDC_ANIMATION                   1020

/* Options dialog (IDD_OPTIONS); OK is IDOK. Some values repeat those of the
 * main window on purpose: identifiers only need to be unique per dialog. */
#ifdef IDC_HELP
#undef IDC_HELP
#endif
#define IDC_HELP                        1006
#define IDC_RUN_AT_STARTUP              1016
#define IDC_AUTOCONNECT                 1017
#define IDC_AUTORECONNECT               1018
#define IDC_LCP                         1019
#define IDC_SWCOMPRESS                  1020
#define IDC_MULTILINK                   1021
#define IDC_TYPICAL                     1022

/* Server settings dialog (IDD_SERVER_SETTINGS); Close is IDOK */
#define IDC_CUSTOM_LIST                 1007
#define IDC_CUSTOM_NAME                 1009
#define IDC_CUSTOM_ADD                  1011
#define IDC_CUSTOM_REMOVE               1012
#define IDC_CUSTOM_IP                   1015

/* Auto-connect prompt (IDD_AUTOCONNECT); Cancel is IDCANCEL */
#define IDC_PROMPT_TEXT                 1017

#endif /* NORVA_RESOURCES_RESOURCE_H */
