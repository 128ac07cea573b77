#pragma once
// Resource identifiers of the minimal dialog program.
#define IDD_MINIMAL 100
#define IDC_MINIMAL_TEXT 1000
