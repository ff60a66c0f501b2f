#pragma once
// A logger that answers from a table, for read-chain and dispatcher tests. Replies are
// queued and delivered by pump(), as a real logger answers after the command has gone out.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "fakes.h"

namespace kdtest {

struct ScriptedLogger {
    std::map<std::string, std::string> answers;
    std::deque<std::string> queue;
    std::vector<int> states;  // ReplyState at each command sent
    kd::Program* program = nullptr;

    // A plain logger: firmware "V200.5" (model 0, no SIM type query).
    static ScriptedLogger Plain() {
        ScriptedLogger l;
        l.answers = {
            {"AT+SNR?", "+SNR: 12345"},
            {"AT+LOAD?", "+LOAD: 10,3"},
            {"AT+LOGINT?", "+LOGINT: 30"},
            {"AT+FTPINT?", "+FTPINT: 120"},
            {"AT+OWNSIM?", "+OWNSIM: 8927000000000000012,27821234567"},
            {"AT+OWNNUM?", "+OWNNUM: 0821234567"},
            {"AT+APNCON?", "+APNCON: internet,user,pass"},
            {"AT+FTPCON?", "+FTPCON: ftp.example.net,ftpuser,ftppw"},
            {"AT+HOMENUM?", "+HOMENUM: 0215550143"},
            {"AT+FW?", "+FW: V200.5"},
            {"AT+SIMTYPE?", "+SIMTYPE: 1,2"},
            {"AT+WDT?", "+WDT: 4"},
            {"AT+POR?", "+POR: 2"},
            {"AT+AUTOPD?", "+AUTOPD: 300"},
            {"AT+TIME?", "+TIME: 12/03/15,14:30:45"},
            {"AT+MPOWER?", "+MPOWER: 1"},
            {"AT+BATVOLTS?", "+BATVOLTS: 3.95"},
            {"AT+CREG?", "+CREG: 0,1"},
            {"AT+PTABLE?", "+PTABLE: 12345,1234,0,0,0,0,0,0"},
            {"AT+RFCHAN?", "+RFCHAN: 3"},
            {"AT+RAING?", "+RAING: 17"},
        };
        return l;
    }

    void attach(FakePort& port, kd::Program& p) {
        program = &p;
        port.onCommand = [this](const std::string& c) {
            states.push_back(program->ReplyState);
            auto it = answers.find(c);
            if (it != answers.end()) {
                if (!it->second.empty()) queue.push_back(it->second + "\r\n");
            } else if (c.rfind("AT+EVENT=", 0) == 0) {
                queue.push_back("@LOAD 12345,1203151430,4000000000000000000000FF,7D0000000000,00000000" "1F000000\r\n");
            }
        };
    }
    void pump(FakePort& port) {
        while (!queue.empty()) {
            std::string s = queue.front();
            queue.pop_front();
            port.receive(s);
        }
    }
};

}  // namespace kdtest
