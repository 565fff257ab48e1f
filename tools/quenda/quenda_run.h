#pragma once
// The renderer's run: Quenda.exe DOCUMENT "-x=INVOICE" [ARGUMENT ...].
// Exit codes: 0 the page is written (whatever its opener does), 2 usage,
// 3 the document cannot be read, 4 the page cannot be written; each failure
// is told in a message box.
#include <string>
#include <vector>

constexpr int kQuendaRendered = 0;
constexpr int kQuendaUsage = 2;
constexpr int kQuendaDocumentUnreadable = 3;
constexpr int kQuendaPageNotWritten = 4;

// `args` without the program's own name.
int quenda_run(const std::vector<std::string>& args);
