#pragma once

#include <functional>

class Form1;
class QLocale;

// The program from its start to its end: the application object, the main window's load, the
// event loop. beforeLoop, when given, sees the shown main window (the benchmarks watch it).
// The arguments are not read: only the program's name reaches the toolkit.
int runPotero(int argc, char *argv[], const std::function<void(Form1 &)> &beforeLoop = {});

// The toolkit's own texts (the buttons of its file dialogs) in the language of locale, when
// the system has them; false when it does not.
bool installToolkitTranslations(const QLocale &locale);
