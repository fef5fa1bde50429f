// skyloom-sim driven through its command line, as a modder runs it: the
// plug-in in the simulated game against the embedded weather service, with
// the console's lines, the trace and the exit status looked at afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "json_value.h"
#include "temp_workdir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char kApplyClear1[] = "0xCCC39339BEF76CF5";
constexpr char kApplyClear2[] = "0x338D2E3477711050";
constexpr char kApplySet[] = "0xED712CA327900C8A";

struct SimRun {
    int exitCode = -1;
    std::string output;  // stdout
    std::string errors;  // stderr
    std::vector<JsonValue> trace;
};

class CommandLineTest : public ::testing::Test {
protected:
    // Runs skyloom-sim with args, in the environment plus the given variables.
    SimRun Run(const std::vector<std::string>& args, const std::vector<std::string>& environment = {}) {
        std::string command = "env";
        for (const auto& variable : environment) command += " '" + variable + "'";
        command += " '" SKYLOOM_SIM_PATH "'";
        for (const auto& arg : args) command += " '" + arg + "'";
        command += " >out.txt 2>err.txt";
        int status = std::system(command.c_str());
        SimRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.output = TempWorkingDirectory::Read("out.txt");
        run.errors = TempWorkingDirectory::Read("err.txt");
        std::istringstream lines(TempWorkingDirectory::Read("trace.jsonl"));
        std::string line;
        while (std::getline(lines, line)) {
            auto value = JsonValue::Parse(line);
            if (!value) ADD_FAILURE() << "not JSON: " << line;
            if (value) run.trace.push_back(std::move(*value));
        }
        fs::remove("trace.jsonl");
        return run;
    }

    // A game folder with the sample settings, some of them changed.
    void GameFolder(const std::string& from = "", const std::string& to = "") {
        fs::create_directories("game");
        std::string settings = TempWorkingDirectory::Read(SKYLOOM_SAMPLE_SETTINGS);
        if (!from.empty()) {
            size_t at = settings.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            settings.replace(at, from.size(), to);
        }
        TempWorkingDirectory::Write("game/Skyloom.xml", settings);
    }

    static std::vector<JsonValue> Events(const SimRun& run, const std::string& name) {
        std::vector<JsonValue> events;
        for (const auto& event : run.trace)
            if (event["event"].text == name) events.push_back(event);
        return events;
    }

    // The game time of each event of that name, with one field's value.
    static std::vector<std::pair<double, std::string>> Timeline(const SimRun& run, const std::string& name,
                                                                const std::string& field) {
        std::vector<std::pair<double, std::string>> timeline;
        for (const auto& event : Events(run, name)) {
            timeline.emplace_back(event["time"].number, event[field].text);
        }
        return timeline;
    }

    TempWorkingDirectory workdir_{"skyloom-sim"};
};

TEST_F(CommandLineTest, AFetchFromTheEmbeddedServiceIsAppliedOnTheFiber) {
    SimRun run = Run({"--dir", "game", "--sample-settings", "--seconds", "2", "--trace", "trace.jsonl"});
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
    EXPECT_EQ(TempWorkingDirectory::Read("game/Skyloom.xml"), TempWorkingDirectory::Read(SKYLOOM_SAMPLE_SETTINGS));

    // The fetch, its answer, then the three natives of the apply.
    std::vector<std::string> story;
    const JsonValue* set = nullptr;
    for (const auto& event : run.trace) {
        const std::string& kind = event["event"].text;
        if (kind == "native") {
            EXPECT_TRUE(event["fiber"].boolean) << event["name"].text;
            const std::string& hash = event["hash"].text;
            if (hash != kApplyClear1 && hash != kApplyClear2 && hash != kApplySet) continue;
            std::string args;
            for (const auto& arg : event["args"].items) args += " " + arg.text;
            story.push_back(hash + args);
            if (hash == kApplySet && set == nullptr) set = &event;
        } else if (kind == "fetch_start" || kind == "fetch_end") {
            story.push_back(kind);
        } else if (kind == "service") {
            story.push_back("service " + event["status"].text + " " + event["code"].text);
        }
    }
    std::vector<std::string> expected = {"fetch_start", "fetch_end",  "service 200 800",
                                         kApplyClear1,  kApplyClear2, std::string(kApplySet) + " EXTRASUNNY"};
    EXPECT_EQ(story, expected);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ((*set)["tick"].number, 600000 + (*set)["time"].number) << "virtual time from the start tick";

    auto weather = Timeline(run, "weather", "next");
    ASSERT_EQ(weather.size(), 2u);
    EXPECT_EQ(weather[1].second, "EXTRASUNNY");
    auto feed = Events(run, "feed");
    ASSERT_EQ(feed.size(), 1u);
    EXPECT_EQ(feed[0]["text"].text, "Set weather to EXTRASUNNY");
    EXPECT_FALSE(feed[0]["flag"].boolean);

    // The player's view on the console.
    for (const char* line :
         {"weather  CLEAR (the game's own)", "service  \"London\": condition 800", "weather  EXTRASUNNY",
          "feed     Set weather to EXTRASUNNY", "log      ---------------------------------"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    EXPECT_NE(run.output.find(": Set weather to EXTRASUNNY\n"), std::string::npos) << "the log line";
}

TEST_F(CommandLineTest, WeatherFollowsTheServiceThroughTogglesAndTheGamesOwnChanges) {
    GameFolder();
    SimRun run = Run({"--dir", "game", "--seconds", "260", "--demo-toggles", "--game-weather", "200000:clear",
                      "--trace", "trace.jsonl"});
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;

    // Fetches at once, again at once after the chord enables it at 10.1 s, then every minute.
    std::vector<double> fetches;
    for (const auto& [time, ignored] : Timeline(run, "fetch_start", "running")) fetches.push_back(time);
    std::vector<double> expectedFetches = {0, 10112, 70112, 130112, 190112, 250112};
    EXPECT_EQ(fetches, expectedFetches);
    std::vector<std::string> codes;
    for (const auto& [time, code] : Timeline(run, "service", "code")) codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<std::string>{"800", "800", "800", "801", "801", "804"}));

    // The game's own change to CLEAR is undone within its frame.
    std::vector<std::pair<double, std::string>> changes;
    for (const auto& [time, next] : Timeline(run, "weather", "next"))
        if (changes.empty() || changes.back().second != next) changes.emplace_back(time, next);
    std::vector<std::pair<double, std::string>> expectedChanges = {{0, "CLEAR"},       {16, "EXTRASUNNY"},
                                                                   {130128, "CLOUDS"}, {200000, "CLEAR"},
                                                                   {200000, "CLOUDS"}, {250128, "OVERCAST"}};
    EXPECT_EQ(changes, expectedChanges);
    EXPECT_EQ(Timeline(run, "game_weather", "next"), (std::vector<std::pair<double, std::string>>{{200000, "CLEAR"}}));

    auto status = Timeline(run, "status", "text");
    ASSERT_EQ(status.size(), 4u);
    EXPECT_EQ(status[0], std::make_pair(5104.0, std::string("Skyloom disabled")));
    EXPECT_EQ(status[1].second, "");
    EXPECT_EQ(status[2], std::make_pair(10112.0, std::string("Skyloom enabled")));
    EXPECT_EQ(status[3].second, "");
    EXPECT_NE(run.output.find("status   \"Skyloom disabled\""), std::string::npos) << run.output;
}

TEST_F(CommandLineTest, TheSameOptionsPlayTheSameGame) {
    GameFolder();
    std::vector<std::string> args = {"--dir", "game", "--seconds", "130", "--demo-toggles", "--trace", "trace.jsonl"};
    // Log lines carry the wall clock's time; everything else must match.
    auto withoutLog = [](const SimRun& run) {
        std::vector<std::string> events;
        for (const auto& event : run.trace)
            if (event["event"].text != "log")
                events.push_back(event["event"].text + " " + event["time"].text + " " + event["tick"].text + " " +
                                 event["hash"].text + " " + event["next"].text + " " + event["text"].text);
        return events;
    };
    SimRun first = Run(args);
    SimRun second = Run(args);
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    ASSERT_EQ(second.exitCode, 0) << second.errors;
    EXPECT_GT(first.trace.size(), 8000u);
    EXPECT_EQ(withoutLog(first), withoutLog(second));
}

TEST_F(CommandLineTest, TheServicesRefusalsReachThePlayer) {
    struct Row {
        const char* name;
        std::string from, to;  // the change to the sample settings
        std::vector<std::string> extra;
        int status;
        const char* feed;
    } rows[] = {
        {"malformed key", "<API_KEY></API_KEY>", "<API_KEY>my-key</API_KEY>", {}, 401, "Invalid API key, "},
        {"place it does not know",
         "<LOCATION>London</LOCATION>",
         "<LOCATION>Atlantis</LOCATION>",
         {"--unknown-location", "atlantis"},
         404,
         "openweathermap.org error 404"},
        {"no letter in the name",
         "<LOCATION>London</LOCATION>",
         "<LOCATION>12345</LOCATION>",
         {},
         404,
         "openweathermap.org error 404"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all("game");
        GameFolder(row.from, row.to);
        std::vector<std::string> args = {"--dir", "game", "--seconds", "1", "--trace", "trace.jsonl"};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        SimRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
        auto service = Events(run, "service");
        ASSERT_EQ(service.size(), 1u);
        EXPECT_EQ(service[0]["status"].number, row.status);
        auto feed = Events(run, "feed");
        ASSERT_EQ(feed.size(), 1u);
        EXPECT_EQ(feed[0]["text"].text.rfind(row.feed, 0), 0u) << feed[0]["text"].text;
        EXPECT_TRUE(feed[0]["flag"].boolean);
        EXPECT_EQ(Events(run, "weather").size(), 1u) << "the game keeps its own weather";
    }
}

TEST_F(CommandLineTest, AMistakeInTheOptionsIsNamedAndNothingRuns) {
    struct Row {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        {{"--frame-ms", "0"}, "--frame-ms wants milliseconds from 1 to 1000, not \"0\""},
        {{"--key", "5000:W:down"},
         "--key wants TIME_MS:VK:down or TIME_MS:VK:up with VK from 1 to 255 (e.g. 5000:0x57:down), not "
         "\"5000:W:down\""},
        {{"--colour"}, "unknown option --colour"},
        {{"--weather-service", "ftp://example"},
         "--weather-service wants embedded, live or an HTTP proxy URL such as http://127.0.0.1:8080, not "
         "\"ftp://example\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        std::vector<std::string> args = {"--dir", "game", "--sample-settings"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        SimRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.errors, std::string("skyloom-sim: ") + row.message + "\nskyloom-sim --help lists the options.\n");
        EXPECT_EQ(run.output, "");
        EXPECT_FALSE(fs::exists("game"));
    }
    SimRun help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--weather-service embedded|live|URL"), std::string::npos) << help.output;
}

TEST_F(CommandLineTest, WithoutSettingsItPointsToTheSample) {
    fs::create_directories("game");
    SimRun run = Run({"--dir", "game", "--seconds", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("there is no Skyloom.xml in " + (fs::current_path() / "game").string()),
              std::string::npos)
        << run.errors;
    EXPECT_NE(run.errors.find("The sample settings are " SKYLOOM_SAMPLE_SETTINGS), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("--sample-settings"), std::string::npos);
    EXPECT_FALSE(fs::exists("game/Skyloom.xml"));
    EXPECT_FALSE(fs::exists("game/Skyloom.log")) << "the plug-in was not loaded";

    SimRun missing = Run({"--dir", "elsewhere", "--seconds", "1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.errors.find("elsewhere does not exist"), std::string::npos) << missing.errors;
}

TEST_F(CommandLineTest, APlugInThatDoesNotLoadOrBreaksTheRulesFailsTheRun) {
    GameFolder();
    TempWorkingDirectory::Write("not-a-library.so", "text");
    struct Row {
        std::string plugin;
        const char* rogue;
        int exitCode;
        const char* message;  // on stderr; empty: none
    } rows[] = {
        {"missing.so", "", 1, "there is no plug-in at "},
        {"not-a-library.so", "", 1, "did not load: "},
        {SKYLOOM_ROGUE_PLUGIN_PATH, "", 0, ""},
        {SKYLOOM_ROGUE_PLUGIN_PATH, "unknown", 3,
         "the plug-in called a native the game does not have: 0x0123456789ABCDEF"},
        {SKYLOOM_ROGUE_PLUGIN_PATH, "thread", 3,
         "the plug-in called the native \"is screen faded out\" "
         "(0xB16FCE9DDC7BA182) off its script fiber"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.plugin + " " + row.rogue);
        SimRun run = Run({"--dir", "game", "--seconds", "1", "--plugin", row.plugin},
                         {std::string("SKYLOOM_ROGUE=") + row.rogue});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.output << run.errors;
        if (*row.message == '\0')
            EXPECT_EQ(run.errors, "");
        else
            EXPECT_NE(run.errors.find(row.message), std::string::npos) << run.errors;
    }
}

TEST_F(CommandLineTest, TheDiagnosticBuildRecordsThePlayerAndScreenAsConfigured) {
    struct Row {
        std::vector<std::string> args;
        const char* record;
    } rows[] = {
        {{}, "434. pNN=1, sFO=0"},
        {{"--player-handle", "0", "--screen-faded", "1"}, "434. pNN=0, sFO=1"},
        {{"--player-handle", "0x7FFF0001", "--screen-faded", "-2"}, "434. pNN=1, sFO=-2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.record);
        fs::remove_all("game");
        GameFolder();
        std::vector<std::string> args = {"--dir", "game", "--seconds", "1", "--diagnostic"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        SimRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_NE(run.output.find("Skyloom-diag"), std::string::npos);
        EXPECT_NE(TempWorkingDirectory::Read("game/Skyloom.log").find(std::string(": ") + row.record + "\r\n"),
                  std::string::npos);
    }
}

TEST_F(CommandLineTest, CtrlCUnloadsThePlugInAndEndsNormally) {
    GameFolder();
    std::string sim = SKYLOOM_SIM_PATH;
    std::vector<char*> argv = {sim.data(), const_cast<char*>("--dir"), const_cast<char*>("game"), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, sim.c_str(), &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    // Until the plug-in has set the weather once: then it is surely running.
    for (int i = 0; i < 3000 && TempWorkingDirectory::Read("out.txt").find("feed") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string output = TempWorkingDirectory::Read("out.txt");
    EXPECT_NE(output.find("skyloom-sim: interrupted\n"), std::string::npos) << output;
    EXPECT_NE(output.find("skyloom-sim: unloaded the plug-in"), std::string::npos) << output;
}

}  // namespace
