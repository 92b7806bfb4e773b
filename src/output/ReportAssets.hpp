#pragma once

// The style sheet and the script of the HTML report, kept inside the page
// so that it works offline and as a single file.
const char* reportStyle();
const char* reportScript();
