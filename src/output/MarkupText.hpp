#pragma once

#include <string>

// Text for XML and HTML: markup characters escaped, control characters and
// broken UTF-8 (names are arbitrary bytes) shown as '?'.
std::string xmlText(const std::string& s);
