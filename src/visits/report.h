#pragma once
// The visit report as HTML (UTF-8): the logger, when and by whom, the values found, what was
// changed and kept, the records rescued, the clock, health since the visit before, and what
// "Before you leave" found. Passwords appear as dots. The window and the command line print
// the same text to PDF.
#include <string>

#include "visits/visit.h"

namespace kd::visits {

struct ReportInput {
    const Visit* visit = nullptr;
    const Visit* previous = nullptr;  // the device's visit before, when there is one
    std::string transcript;           // a saved transcript's file name (UTF-8), "" when none
};

std::string ReportHtml(const ReportInput& in);

// Logger bytes (Latin-1, as the window shows them) as HTML text: markup characters escaped,
// control bytes as their visible symbols.
std::string HtmlText(const std::string& bytes);
// UTF-8 text (file names, the computer's user) as HTML text.
std::string HtmlUtf8(const std::string& utf8);

// "2026-12-10 14:30" in the computer's local time.
std::string LocalTimeText(int64_t utcSeconds);

}  // namespace kd::visits
