#pragma once
// What a face adds to its program's visit record: the profiles applied to the panel and the
// range downloads its records recorder runs.
#include "records/recorder.h"
#include "visits/program_visits.h"

namespace kd::visits {

void NoteProfiles(ProgramVisits& visits, Program& p);
void NoteDownloads(ProgramVisits& visits, records::Recorder& recorder);

}  // namespace kd::visits
