// Resource identifiers of ZrSignIcon.
#define IDI_OVERLAY 101
#define IDS_NAME 102
