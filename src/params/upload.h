#pragma once
// The upload of changed parameters, one set command per logger answer.

namespace kd {

class Program;

void UploadNext(Program& p);

}  // namespace kd
