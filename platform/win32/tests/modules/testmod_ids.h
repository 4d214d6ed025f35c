// Identifiers shared by the test module's script and the tests.
#pragma once
#define IDS_HELLO 1
#define IDS_SECOND_BLOCK 17
#define IDS_LAST 65535
#define IDD_SAMPLE 100
#define IDC_NAME 1001
#define IDC_KIND 1002
#define IDB_TINY 200
#define IDR_TABLE 263
