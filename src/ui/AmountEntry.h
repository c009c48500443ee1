#pragma once

class QLineEdit;

// The amount entry check on an amount edit: shows the message of the failing step and puts the focus
// into the edit. True when the amount may be converted.
bool CheckAmountEntry(QLineEdit *edit);
