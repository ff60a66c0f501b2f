#pragma once
// The checked upload: every set command's answer carries the value the logger now holds, so
// each value sent is compared with it. A value the logger did not keep is put back into its
// box in red (it is not on the logger) and is not sent again until the next press.
//
// Hooks of the upload chain (params/upload.cpp) and what a face shows afterwards.
#include <string>
#include <vector>

#include "profiles/session.h"

namespace kd {

class Program;
struct UploadItem;

// At the press, once the values passed their checks: shows the preview when the technician
// asked for it (or a profile was loaded since the last upload) and starts the record.
// False when the preview was cancelled: nothing is sent and every mark stays.
bool StartCheckedUpload(Program& p);
// Before the next step: compares the answered step's values with what was sent.
void NoteUploadAnswer(Program& p);
// The step awaited was answered ERROR: its values are noted as refused (they stay red, still
// to send) and the step is not sent again in this run.
void NoteUploadRefused(Program& p);
// The values of the step awaiting its answer (none when nothing is awaited).
std::vector<SentValue> AwaitedValues(const Program& p);
// Leaves out the items answered in this run.
void SkipAnsweredItems(const Program& p, std::vector<UploadItem>& items);
// Records the step about to be sent.
void NoteUploadStep(Program& p, const UploadItem& item);
// The upload sent everything: the status line counts the values the logger confirmed, and a
// message names each value it did not keep.
void FinishCheckedUpload(Program& p);

// The values of the last checked upload, in the order sent.
const std::vector<SentValue>& CheckedValues(const Program& p);
// One line per value not kept, "<setting>: sent <value>, logger holds <value>" (or "refused
// by the logger"); passwords masked by the one rule (MaskedValue) when asked. "" when the
// logger kept every value.
std::string UnkeptValuesText(const std::vector<SentValue>& values, bool maskPasswords);
// "Upload complete: 5 values confirmed by the logger"
std::string UploadCompleteText(const std::vector<SentValue>& values);

}  // namespace kd
