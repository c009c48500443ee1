#pragma once
#include <QString>
#include <optional>

// The account scope: which account types are in view, kept as "0" to "7" under Kalvora2/AccountType.
namespace AccountScope {

inline constexpr int First = 0;
inline constexpr int Last = 7;
// The books the chooser offers.
inline constexpr int CompanyBank = 1;
inline constexpr int CompanyCash = 2;
inline constexpr int CompanyLedger = 5;

// The scope read from the settings file; a text that is no integer shows a conversion message and
// gives nothing, so the action that read it ends.
std::optional<int> read(const QString &defaultValue);

// Stores the scope; false (after telling the user) when the settings file cannot be written.
bool write(int scope);

bool isKnown(int scope);
QString picture(int scope); // relative path of the scope picture, empty outside 0 to 7
QString clause(int scope);  // " And (...)" condition, empty outside 0 to 7

} // namespace AccountScope
