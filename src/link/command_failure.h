#pragma once
// What became of a command whose answer the program awaited, when it did not get one it
// could use: a value both faces act on (the window its message, the command line its exit
// status), so nothing has to recognise a message text.
#include <string>

namespace kd {

struct CommandFailure {
    enum class Kind {
        NoAnswer,  // sent RetryLimit times without an answer
        Refused,   // answered ERROR: the logger did not carry it out
    };
    Kind kind = Kind::NoAnswer;
    std::string command;  // as sent, without its line end
    int sends = 1;        // how often it went out
};

}  // namespace kd
