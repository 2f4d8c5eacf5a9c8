// The check of an integer typed into a page's edit field, with the standard texts the pages show
// when it fails. The field takes any text while the user types; this runs on OK and on leaving the page.
#pragma once

#include <QString>

namespace IntegerInput {

enum class Verdict { Ok, NotAnInteger, OutOfRange };

// Blanks and tabs around the number are allowed, and one sign before it; nothing else.
Verdict check(const QString& text, int min, int max, int* value = nullptr);

QString notAnIntegerText();               // "Please enter an integer."
QString outOfRangeText(int min, int max); // "Please enter an integer between %1 and %2."
// The text for a verdict other than Ok.
QString messageFor(Verdict verdict, int min, int max);

} // namespace IntegerInput
