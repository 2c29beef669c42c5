// Process-wide regional settings that number texts and the expression language read.
#pragma once

namespace zentrova {

// Decimal separator of number texts (default '.'). Every world load sets it from the world file.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Separator of function arguments: ',' by default, ';' while the decimal separator is ','.
char ListSeparator();

}  // namespace zentrova
