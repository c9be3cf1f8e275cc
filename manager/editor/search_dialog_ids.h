/* The search window's template and its controls, shared by the resource script and the code. */
#pragma once

#define VEXLO_SEARCH_DIALOG 1003
#define VEXLO_SEARCH_TEXT 1004
#define VEXLO_SEARCH_BUTTON 1005
#define VEXLO_SEARCH_FOLDER 1006
#define VEXLO_SEARCH_FOLDER_BUTTON 1007
#define VEXLO_SEARCH_RESULTS 1010
