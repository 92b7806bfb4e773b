#pragma once

#include <string>
#include <string_view>

// A warning about one record of the input, as the programs print it and the
// library and Python hand it over: "warning: record 5 (NAME) WHAT", the
// record counted from 1 in the whole input, its name as messages show it.
std::string recordWarning(long record, std::string_view name, std::string_view what);

// What is said of a last record that has no second record to pair with.
inline constexpr std::string_view kNoPartner = "has no partner and is not aligned";
