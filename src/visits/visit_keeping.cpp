#include "visits/visit_keeping.h"

#include "records/range.h"

namespace kd::visits {

void NoteProfiles(ProgramVisits& visits, Program& p) {
    p.profiles.onApplied = [&visits](const std::string& name) { visits.recorder().profileApplied(name, visits.now()); };
}

void NoteDownloads(ProgramVisits& visits, records::Recorder& recorder) {
    recorder.onDownloadFinished = [&visits](const records::RecordRange& range, const records::DownloadSummary& s) {
        const std::string asked = std::to_string(range.from) + "-" + std::to_string(range.to);
        visits.recorder().recordsDownloaded(asked, s.received, records::ListLogNumbers(s.skipped),
                                            static_cast<int>(s.skipped.size()), visits.now());
    };
}

}  // namespace kd::visits
