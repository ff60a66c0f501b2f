// Records: the ring of log numbers, the range download through the command engine, the
// archive every fetched record goes to, and the CSV export.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <fstream>
#include <locale>
#include <set>
#include <sstream>

#include "connected_fixture.h"
#include "network/logs.h"
#include "records/archive.h"
#include "records/archive_writer.h"
#include "records/csv.h"
#include "records/range.h"
#include "records/recorder.h"
#include "scripted_logger.h"
#include "unprivileged.h"

using namespace kd;
using namespace kd::records;
using namespace kdtest;

namespace {

// Long enough for the writer thread on a busy machine; a test waits this long only on failure.
constexpr std::chrono::seconds kWait{20};

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A distinct record line for log number n: the stamp, a moisture word and a temperature
// byte follow the number.
std::string RecordLine(int n, const std::string& id = "12345") {
    char line[128];
    std::snprintf(line, sizeof line, "@LOAD %s,12031514%02d,%04X00000000000000000000,%02X0000000000,00000000%02X00",
                  id.c_str(), n % 60, 0x1000 + n, 0x50 + n % 100, 0x10 + n % 16);
    return line;
}

TEST(RecordRangeTest, TheRingWrapsAt4096AndDefaultsToTheUnreadRecords) {
    struct Case {
        const char *pointer, *unread;
        std::optional<std::pair<int, int>> range;  // from, to
        int count;
    } cases[] = {
        {"10", "3", std::pair{7, 9}, 3},
        {"5", "12", std::pair{4089, 4}, 12},
        {"0", "1", std::pair{4095, 4095}, 1},
        {"4095", "4096", std::pair{4095, 4094}, 4096},
        {"7", "9999", std::pair{7, 6}, 4096},  // more than the ring holds: all of it
        {"10", "0", std::nullopt, 0},
        {"", "3", std::nullopt, 0},
        {"10", "", std::nullopt, 0},
        {"1a", "3", std::nullopt, 0},
        {"-1", "3", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pointer) + "/" + c.unread);
        const auto r = UnreadRange(c.pointer, c.unread);
        ASSERT_EQ(r.has_value(), c.range.has_value());
        if (!r) continue;
        EXPECT_EQ(r->from, c.range->first);
        EXPECT_EQ(r->to, c.range->second);
        EXPECT_EQ(r->count(), c.count);
    }
    const RecordRange wrap{4090, 5};
    EXPECT_EQ(wrap.count(), 12);
    EXPECT_EQ(wrap.at(5), 4095);
    EXPECT_EQ(wrap.at(6), 0);
    EXPECT_EQ(wrap.at(11), 5);
    EXPECT_EQ(WholeRing("4100")->count(), 4096);
    EXPECT_EQ(WholeRing("4100")->from, 4);

    struct Typed { const char* text; std::optional<int> n; } typed[] = {
        {"0", 0}, {"4095", 4095}, {" 12 ", 12}, {"007", 7}, {"4096", std::nullopt}, {"", std::nullopt},
        {"1a", std::nullopt}, {"-1", std::nullopt}, {"99999999999", std::nullopt},
    };
    for (const Typed& t : typed) EXPECT_EQ(ParseLogNumber(t.text), t.n) << "'" << t.text << "'";
    EXPECT_EQ(ListLogNumbers({17, 18, 40, 41, 42, 43, 4095, 0}), "17, 18, 40-43, 4095, 0");
}

// A connected program with a recorder on a fresh archive, and a logger that answers each
// "AT+EVENT=n" with record n unless n is one it keeps quiet about.
struct Records : Connected {
    std::filesystem::path archivePath = rig.dir / "data" / "keldamar" / "records.sqlite";
    std::unique_ptr<Recorder> recorder;
    std::set<int> quiet;
    std::deque<std::string> queue;
    std::vector<std::string> requests;

    void SetUp() override {
        Connected::SetUp();
        recorder = std::make_unique<Recorder>(p, archivePath);
        rig.port.onCommand = [this](const std::string& c) {
            requests.push_back(c);
            if (c.rfind("AT+EVENT=", 0) != 0) return;
            const int n = std::stoi(c.substr(9));
            if (!quiet.count(n)) queue.push_back(RecordLine(n) + "\r\n");
        };
    }
    // Delivers the answers, then lets the reply time-out run until the line is quiet.
    void run(int maxSeconds = 120) {
        for (int t = 0; t < maxSeconds * 10; ++t) {
            while (!queue.empty()) {
                const std::string s = queue.front();
                queue.pop_front();
                rig.port.receive(s);
            }
            if (!recorder->downloading()) return;
            rig.clock.advance(100);
        }
    }
    // The writer thread has had its chance to write everything noted.
    long long rows() {
        recorder->flush(kWait);
        return recorder->archive(true) ? recorder->archive()->count() : -1;
    }
};

TEST_F(Records, ARangeDownloadGetsEveryRecordAcrossTheWrapAndSkipsOneThatNeverComes) {
    quiet = {4095};
    std::vector<std::pair<int, int>> progress;
    std::vector<int> skippedSeen;
    std::optional<DownloadSummary> summary;
    DownloadEvents events;
    events.progress = [&](int done, int total) { progress.push_back({done, total}); };
    events.skipped = [&](int n) { skippedSeen.push_back(n); };
    events.finished = [&](const DownloadSummary& s) { summary = s; };
    std::string error;
    ASSERT_TRUE(recorder->startDownload({4093, 2}, events, &error)) << error;
    // The line belongs to the download: nothing else may send meanwhile.
    EXPECT_FALSE(f.LoadSettings.enabled());
    EXPECT_FALSE(f.CustomSend(0).enabled());
    EXPECT_FALSE(recorder->startDownload({1, 2}, {}, &error));
    run();

    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->total, 6);
    EXPECT_EQ(summary->received, 5);
    EXPECT_EQ(summary->skipped, std::vector<int>{4095});
    EXPECT_EQ(skippedSeen, std::vector<int>{4095});
    EXPECT_FALSE(summary->cancelled);
    EXPECT_EQ(progress.back(), std::make_pair(6, 6));
    // One request per answer; the silent one five times in all, then the download goes on.
    const std::vector<std::string> want = {"AT+EVENT=4093", "AT+EVENT=4094", "AT+EVENT=4095", "AT+EVENT=4095",
                                           "AT+EVENT=4095", "AT+EVENT=4095", "AT+EVENT=4095", "AT+EVENT=0",
                                           "AT+EVENT=1",    "AT+EVENT=2"};
    EXPECT_EQ(requests, want);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    // Shown and stored as single fetches are; the archive has them with their numbers.
    EXPECT_EQ(p.LogRecordCount, 5);
    EXPECT_EQ(f.Temperature(0).text(), "16.4");  // record 2: byte 0x52
    EXPECT_EQ(rows(), 5);
    // What the records enabled is enabled now; what was enabled before is again.
    EXPECT_TRUE(f.LoadSettings.enabled());
    EXPECT_TRUE(f.CustomSend(0).enabled());
    EXPECT_TRUE(f.FetchLog.enabled());
}

TEST_F(Records, ALineThatIsNotTheRecordAwaitedNeitherStallsNorMisnumbersTheDownload) {
    // What may reach the line just before record 41's answer.
    struct Case {
        const char* what;
        std::string before;
    } cases[] = {
        {"a status line", "+SS: 20\r\n"},
        {"an answer nobody awaited, which would carry a read on", "+LOGINT: 30\r\n"},
        {"a garbled, short record line", "@LOAD 12345,12031514\r\n"},
        {"record 40's answer again (a late reply to a re-send)", RecordLine(40) + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<DownloadSummary> summary;
        DownloadEvents events;
        events.finished = [&](const DownloadSummary& s) { summary = s; };
        rig.port.onCommand = [&](const std::string& cmd) {
            const int n = std::stoi(cmd.substr(9));
            if (n == 41) queue.push_back(c.before);
            queue.push_back(RecordLine(n) + "\r\n");
        };
        ASSERT_TRUE(recorder->startDownload({40, 42}, events, nullptr));
        run();
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->received, 3);
        EXPECT_TRUE(summary->skipped.empty());
    }
    recorder->flush(kWait);
    std::vector<std::pair<int, std::string>> held;
    recorder->archive()->forEach(std::nullopt, [&](const ArchivedRecord& r) { held.push_back({*r.logNumber, r.raw}); },
                                 nullptr);
    const std::vector<std::pair<int, std::string>> want = {
        {40, RecordLine(40) + "\r"}, {41, RecordLine(41) + "\r"}, {42, RecordLine(42) + "\r"}};
    EXPECT_EQ(held, want);
}

TEST_F(Records, CancelStopsAfterTheRecordAwaitedAndAClosedPortEndsTheDownload) {
    std::optional<DownloadSummary> summary;
    DownloadEvents events;
    events.finished = [&](const DownloadSummary& s) { summary = s; };
    events.progress = [&](int done, int) {
        if (done == 2) recorder->cancelDownload();
    };
    ASSERT_TRUE(recorder->startDownload({10, 19}, events, nullptr));
    run();
    ASSERT_TRUE(summary);
    EXPECT_TRUE(summary->cancelled);
    EXPECT_EQ(summary->received, 3);  // the request out when Cancel came is still answered
    EXPECT_EQ(rows(), 3);

    summary.reset();
    quiet = {30};
    events.progress = nullptr;
    ASSERT_TRUE(recorder->startDownload({30, 39}, events, nullptr));
    f.ConnectButton.click();  // disconnect while record 30 is awaited
    run();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->received, 0);
    EXPECT_FALSE(summary->error.empty());
    std::string error;
    EXPECT_FALSE(recorder->startDownload({1, 2}, {}, &error));
    EXPECT_NE(error.find("not open"), std::string::npos);
}

TEST_F(Records, EveryFetchedRecordIsArchivedOnceWhateverThePath) {
    // A single fetch twice of the same record; record 7's answer again after asking for 8
    // (a late reply), then 8's own; and a short line that is no record.
    f.LogBox.setReadOnly(false);
    f.FetchLog.setEnabled(true);
    for (const char* typed : {"7", "007", "8"}) {
        f.LogBox.setText(typed);
        f.FetchLog.click();
        if (std::string(typed) == "8") queue = {RecordLine(7) + "\r\n", RecordLine(8) + "\r\n"};
        run();
    }
    rig.port.receive("@LOAD 12345,12031514\r\n");
    rig.clock.advance(1000);  // the batch is written once the line is quiet
    EXPECT_EQ(rows(), 2);

    // The newest record at the end of a read, through the same road.
    ScriptedLogger logger = ScriptedLogger::Plain();
    logger.attach(rig.port, p);
    f.LoadSettings.click();
    logger.pump(rig.port);
    rig.clock.advance(1000);
    EXPECT_EQ(rows(), 3);

    std::vector<ArchivedRecord> all;
    recorder->flush(kWait);
    ASSERT_TRUE(recorder->archive()->forEach(std::nullopt, [&](const ArchivedRecord& r) { all.push_back(r); }, nullptr));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].logNumber, 7);
    EXPECT_EQ(all[0].recordedAt, "2012-03-15T14:07:00");
    EXPECT_EQ(all[0].raw, RecordLine(7) + "\r");
    EXPECT_EQ(all[2].logNumber, 9);  // pointer 10
    EXPECT_NEAR(*all[2].moisture[0], 49.9985, 1e-4);
    EXPECT_FALSE(all[2].moisture[1].has_value());
    EXPECT_EQ(all[2].rssi, 31);
}

TEST(RecordArchiveTest, AnArchiveThatCannotBeOpenedIsReportedAndLeftAsItIs) {
    const auto dir = MakeTempDir();
    // A new archive is private.
    std::string error;
    auto fresh = Archive::open(dir / "new" / "records.sqlite", &error);
    ASSERT_TRUE(fresh) << error;
    struct stat st{};
    ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((dir / "new" / "records.sqlite").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string corrupt = std::string(4096, 'x') + "not a database";
    std::ofstream(dir / "corrupt.sqlite", std::ios::binary) << corrupt;
    std::filesystem::create_directories(dir / "folder.sqlite");
    struct Case { const char* what; std::filesystem::path path; } cases[] = {
        {"corrupt file", dir / "corrupt.sqlite"},
        {"a folder in its place", dir / "folder.sqlite"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        error.clear();
        EXPECT_FALSE(Archive::open(c.path, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(Slurp(dir / "corrupt.sqlite"), corrupt);
    EXPECT_FALSE(std::filesystem::exists(dir / "corrupt.sqlite-wal"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.sqlite"));

    // A folder the user may not write: refused, as the user who runs the program.
    std::filesystem::create_directories(dir / "locked");
    ::chmod(dir.c_str(), 0755);
    ::chmod((dir / "locked").c_str(), 0555);
    const std::string child = InChild([&] {
        std::string why;
        return Archive::open(dir / "locked" / "records.sqlite", &why) ? std::string("opened") : why;
    });
    EXPECT_NE(child, "opened");
    EXPECT_FALSE(child.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "locked" / "records.sqlite"));
    std::filesystem::remove_all(dir);
}

TEST_F(Records, AnUnavailableArchiveIsSaidOnTheStatusLineAndFetchingGoesOn) {
    std::filesystem::create_directories(rig.dir / "blocked.sqlite");
    recorder.reset();  // one recorder to a program
    recorder = std::make_unique<Recorder>(p, rig.dir / "blocked.sqlite");
    ASSERT_TRUE(recorder->startDownload({1, 3}, {}, nullptr));
    run();
    EXPECT_EQ(p.LogRecordCount, 3);
    recorder->flush(kWait);
    EXPECT_EQ(f.StatusBox(0).text().rfind(kArchiveUnavailable, 0), 0u) << f.StatusBox(0).text();
    EXPECT_TRUE(std::filesystem::is_directory(rig.dir / "blocked.sqlite"));
}

TEST_F(Records, AnArchiveLockedByAnotherProgramCostsTheDownloadNothingAndGetsItsRecordsWhenTheLockGoes) {
    ASSERT_EQ(rows(), 0);  // made and ours
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(archivePath.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    std::optional<DownloadSummary> summary;
    DownloadEvents events;
    events.finished = [&](const DownloadSummary& s) { summary = s; };
    std::vector<ArchiveState> states;
    recorder->onArchiveState = [&](const ArchiveState& s) { states.push_back(s); };
    ASSERT_TRUE(recorder->startDownload({20, 29}, events, nullptr));
    run();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->received, 10);
    EXPECT_EQ(requests.size(), 10u) << "one request per answer, none sent twice";
    // Kept, counted and said while the lock holds.
    EXPECT_FALSE(recorder->flush(std::chrono::milliseconds(600)));
    const ArchiveState locked = recorder->archiveState();
    EXPECT_EQ(locked.waiting, 10u);
    EXPECT_EQ(locked.problem, ArchiveProblem::Busy);
    EXPECT_EQ(NotArchivedText(locked), "Records not archived: 10");
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(NotArchivedText(states.back()), "Records not archived: 10");
    EXPECT_EQ(f.StatusBox(0).text().rfind(kArchiveUnavailable, 0), 0u);
    EXPECT_NE(f.StatusBox(0).text().find(archivePath.string()), std::string::npos) << f.StatusBox(0).text();

    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_TRUE(recorder->flush(kWait));
    EXPECT_EQ(rows(), 10);
    EXPECT_TRUE(recorder->archiveState().allArchived());
    EXPECT_EQ(NotArchivedText(states.back()), "");
    EXPECT_EQ(f.StatusBox(0).text(), "") << "the fault is taken back when it has passed";
    EXPECT_EQ(recorder->close(), "");
}

TEST_F(Records, RecordsTheArchiveCouldNotTakeAreKeptCountedAndWrittenOnceItCan) {
    // A folder in the archive's place at first: the records wait, the open is tried again.
    const auto path = rig.dir / "later" / "records.sqlite";
    std::filesystem::create_directories(path);
    recorder.reset();
    recorder = std::make_unique<Recorder>(p, path);
    ASSERT_TRUE(recorder->startDownload({1, 3}, {}, nullptr));
    run();
    EXPECT_FALSE(recorder->flush(std::chrono::milliseconds(100)));
    EXPECT_EQ(NotArchivedText(recorder->archiveState()), "Records not archived: 3");
    const std::string said = recorder->close(std::chrono::milliseconds(0));
    EXPECT_NE(said.find(path.string()), std::string::npos) << said;
    EXPECT_NE(said.find("3 records could not be archived"), std::string::npos) << said;

    std::filesystem::remove(path);
    EXPECT_TRUE(recorder->flush(kWait));
    EXPECT_EQ(recorder->archive(true)->count(), 3);
    EXPECT_EQ(recorder->close(), "");

    // Beyond the limit records are not kept, and that is counted, not silent.
    ArchiveWriter writer(rig.dir, 2);
    for (int n = 0; n < 5; ++n) writer.add(*DecodeRecord(RecordLine(n) + "\r", n, "2026-01-01T00:00:00"));
    EXPECT_FALSE(writer.flush(kWait));
    const ArchiveState s = writer.state();
    EXPECT_EQ(s.waiting, 2u);
    EXPECT_EQ(s.lost, 3u);
    EXPECT_EQ(NotArchivedText(s), "Records not archived: 5 (3 lost: too many waiting)");
}

// Decimal commas in the program's locale must not reach the file.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(RecordCsvTest, FieldsAreQuotedEmptyOrWithADecimalPointAsTheRulesSay) {
    ArchivedRecord r;
    r.logNumber = 4095;
    r.recordedAt = "2012-03-15T14:07:00";
    r.moisture[0] = 49.99847;
    r.moisture[5] = -100.0031;
    r.temperature[1] = 25.0;
    r.rssi = 31;
    struct Case { std::string id; std::string field; } cases[] = {
        {"12345", "12345"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"Gr\xC3\xBC" "n", "Gr\xC3\xBC" "n"},
    };
    for (const Case& c : cases) {
        r.deviceId = c.id;
        EXPECT_EQ(CsvRow(r), c.field + ",4095,2012-03-15,14:07,49.9985,,,,,-100.0031,,25.0,,,,,31\r\n");
    }
    ArchivedRecord empty;
    empty.deviceId = "9";
    EXPECT_EQ(CsvRow(empty), "9,,,,,,,,,,,,,,,,\r\n");
    EXPECT_EQ(Latin1ToUtf8("Gr\xFCn"), "Gr\xC3\xBCn");

    // Through the archive, in time order, under a comma locale.
    const auto dir = MakeTempDir();
    auto archive = Archive::open(dir / "a.sqlite", nullptr);
    ASSERT_TRUE(archive);
    std::vector<ArchivedRecord> batch;
    for (const char* stamp : {"2012-03-15T14:09:00", "2012-03-15T14:07:00"}) {
        r.recordedAt = stamp;
        r.raw = stamp;
        batch.push_back(r);
    }
    batch.push_back(batch[0]);  // the same record twice is one row
    ASSERT_EQ(archive->add(batch, nullptr), 2);
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    std::ostringstream out;
    out.imbue(std::locale());
    const ExportResult result = ExportCsv(*archive, std::string("Gr\xC3\xBC" "n"), out);
    std::locale::global(before);
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(out.str(), std::string(kCsvHeader) + "\r\n" +
                             "Gr\xC3\xBCn,4095,2012-03-15,14:07,49.9985,,,,,-100.0031,,25.0,,,,,31\r\n"
                             "Gr\xC3\xBCn,4095,2012-03-15,14:09,49.9985,,,,,-100.0031,,25.0,,,,,31\r\n");
    std::ostringstream none;
    EXPECT_EQ(ExportCsv(*archive, std::string("other"), none).rows, 0);
    std::filesystem::remove_all(dir);
}

TEST(RecordCsvTest, AFileIsReplacedWholeThroughItsLinkKeepingItsModeAndNothingPlantedIsFollowed) {
    namespace fs = std::filesystem;
    using P = fs::perms;
    struct Case {
        const char* name;
        bool exists, viaLink;
        P mode, expected;
    };
    const Case cases[] = {
        {"a new file is private like the archive", false, false, P::none, P::owner_read | P::owner_write},
        {"a shared file stays shared", true, false, P(0644), P(0644)},
        {"a group's file stays the group's", true, false, P(0640), P(0640)},
        {"a link: its target is replaced, the link stays", true, true, P(0664), P(0664)},
    };
    const std::string rows = "12345,7,2012-03-15,14:07,,,,,,,,,,,,,\r\n";
    const auto dir = MakeTempDir();
    auto archive = Archive::open(dir / "a.sqlite", nullptr);
    ASSERT_TRUE(archive);
    for (const Case& c : cases) {
        for (const bool fromArchive : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (fromArchive ? ", export" : ", command line"));
            const fs::path folder = dir / "out", elsewhere = dir / "elsewhere";
            fs::remove_all(folder);
            fs::remove_all(elsewhere);
            fs::create_directories(folder);
            fs::create_directories(elsewhere);
            const fs::path path = folder / "r.csv", target = c.viaLink ? elsewhere / "data.csv" : path;
            if (c.exists) {
                std::ofstream(target) << "old";
                fs::permissions(target, c.mode);
            }
            if (c.viaLink) fs::create_symlink(target, path);
            // Where a writer with a guessable temporary name would write: a link planted there
            // must not be followed.
            const fs::path victim = dir / "victim";
            std::ofstream(victim) << "keep";
            for (const fs::path& p : {path, target}) {
                fs::path planted = p;
                planted += ".part" + std::to_string(::getpid());
                if (!fs::exists(fs::symlink_status(planted))) fs::create_symlink(victim, planted);
            }
            if (fromArchive) {
                EXPECT_EQ(ExportCsvFile(*archive, std::string("none"), path).rows, 0);
                EXPECT_EQ(Slurp(target), std::string(kCsvHeader) + "\r\n");
            } else {
                EXPECT_EQ(WriteCsvFile(path, rows), "");
                EXPECT_EQ(Slurp(target), std::string(kCsvHeader) + "\r\n" + rows);
            }
            EXPECT_EQ(fs::status(target).permissions(), c.expected);
            EXPECT_EQ(fs::is_symlink(path), c.viaLink);
            EXPECT_EQ(Slurp(victim), "keep");
            // Nothing left behind beside the file.
            std::set<std::string> names;
            for (const auto& e : fs::directory_iterator(target.parent_path())) names.insert(e.path().filename().string());
            EXPECT_EQ(names.size(), 2u);  // the file and the link planted beside it
        }
    }
    // A folder the user may not write: the old file stays and the error names the file.
    const fs::path shared = dir / "shared";
    fs::create_directories(shared);
    std::ofstream(shared / "r.csv") << "old";
    fs::permissions(dir, P(0755));
    fs::permissions(shared, P(0755));
    fs::permissions(shared / "r.csv", P(0666));
    EXPECT_EQ(InChild([&] { return WriteCsvFile(shared / "r.csv", rows); }),
              "cannot write " + (shared / "r.csv").string() + ": Permission denied");
    EXPECT_EQ(Slurp(shared / "r.csv"), "old");
    fs::remove_all(dir);
}

}  // namespace
