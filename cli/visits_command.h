#pragma once
// keldamar visits and keldamar report: the visits the records archive keeps, and one
// visit's report as PDF or HTML. They read the archive only; no port is touched.
#include "arguments.h"

namespace kdcli {

int ListVisits(const Invocation& inv);
int WriteVisitReport(const Invocation& inv);

}  // namespace kdcli
