// Reporting what the player sees, frame by frame.
#include "player_view.h"

#include <filesystem>
#include <fstream>

#include "host_os.h"

namespace sim {
namespace {

constexpr char kLogFile[] = "Skyloom.log";

std::string KeyName(int vKey) {
    switch (vKey) {
        case 0x10:
            return "Shift";
        case 0x11:
            return "Ctrl";
        case 0x12:
            return "Alt";
        case 0x20:
            return "Space";
    }
    if ((vKey >= '0' && vKey <= '9') || (vKey >= 'A' && vKey <= 'Z')) return std::string(1, static_cast<char>(vKey));
    if (vKey >= 0x70 && vKey <= 0x87) return "F" + std::to_string(vKey - 0x6F);
    char text[16];
    std::snprintf(text, sizeof text, "key 0x%02X", vKey);
    return text;
}

std::string HashText(uint64_t hash) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

std::string GameClockText(uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%2llu:%02llu.%03llu", static_cast<unsigned long long>(ms / 60000),
                  static_cast<unsigned long long>(ms / 1000 % 60), static_cast<unsigned long long>(ms % 1000));
    return text;
}

PlayerView::PlayerView(FILE* out, TraceWriter& trace, AnswerSource answers)
    : out_(out), trace_(trace), answers_(std::move(answers)) {}

void PlayerView::Begin(const Moment& now) {
    world_ = hook::GetWorld();
    Line(now, "weather", world_.nextWeather + " (the game's own)");
    TraceWorld(now);
    if (auto count = os::CountWorkers()) {
        countsWorkers_ = true;
        workersStarted_ = count->started;
        workersEnded_ = count->started - count->running;
    }
    std::error_code error;
    auto size = std::filesystem::file_size(kLogFile, error);
    logOffset_ = error ? 0 : size;
}

void PlayerView::Key(const Moment& now, const KeyEvent& key) {
    Line(now, "keyboard", KeyName(key.vKey) + (key.down ? " down" : " up"));
    trace_.Write(JsonLine("key", now.ms, now.frame, now.tick).Number("vk", key.vKey).Bool("down", key.down));
}

void PlayerView::GameMovesOn(const Moment& now, const std::string& weather) {
    Line(now, "weather", weather + " (the game moves on by itself)");
    trace_.Write(JsonLine("game_weather", now.ms, now.frame, now.tick).String("next", weather));
    // Seen now, so that the plug-in's answer within the frame shows as a change.
    world_ = hook::GetWorld();
    TraceWorld(now);
}

void PlayerView::Note(const Moment& now, const std::string& text) { Line(now, "note", text); }

std::optional<std::string> PlayerView::Observe(const Moment& now) {
    auto fault = ObserveCalls(now);
    ObserveWorld(now);
    ObserveScreen(now);
    ObserveWorkers(now);
    ObserveService(now);
    ObserveLog(now);
    return fault;
}

std::optional<uint64_t> PlayerView::FetchesStarted() const {
    if (!countsWorkers_) return std::nullopt;
    return fetchesStarted_;
}

void PlayerView::Line(const Moment& now, const char* what, const std::string& text) {
    std::fprintf(out_, "%s  %-8s %s\n", GameClockText(now.ms).c_str(), what, text.c_str());
}

std::optional<std::string> PlayerView::ObserveCalls(const Moment& now) {
    std::optional<std::string> fault;
    for (const hook::NativeCall& call : hook::TakeCalls()) {
        ++nativeCalls_;
        trace_.Native(call, now.ms);
        if (fault) continue;
        if (call.name == "unknown")
            fault = "the plug-in called a native the game does not have: " + HashText(call.hash);
        else if (!call.onScriptFiber)
            fault = "the plug-in called the native \"" + call.name + "\" (" + HashText(call.hash) +
                    ") off its script fiber, which would crash the game";
    }
    auto errors = hook::Errors();
    for (; errorsSeen_ < errors.size(); ++errorsSeen_) {
        trace_.Write(JsonLine("hook_error", now.ms, now.frame, now.tick).String("text", errors[errorsSeen_]));
        if (!fault) fault = "the plug-in misused the script hook: " + errors[errorsSeen_];
    }
    return fault;
}

void PlayerView::ObserveWorld(const Moment& now) {
    hook::World world = hook::GetWorld();
    if (world.persistentWeather == world_.persistentWeather && world.overrideWeather == world_.overrideWeather &&
        world.nextWeather == world_.nextWeather)
        return;
    // The player sees the type the game is heading for.
    if (world.nextWeather != world_.nextWeather) Line(now, "weather", world.nextWeather);
    world_ = world;
    TraceWorld(now);
}

void PlayerView::TraceWorld(const Moment& now) {
    trace_.Write(JsonLine("weather", now.ms, now.frame, now.tick)
                     .String("persistent", world_.persistentWeather)
                     .String("override", world_.overrideWeather)
                     .String("next", world_.nextWeather));
}

void PlayerView::ObserveScreen(const Moment& now) {
    auto drawn = hook::DrawnThisFrame();
    std::string status = drawn.empty() ? "" : drawn.back().text;
    if (status != status_) {
        Line(now, "status", status.empty() ? "(gone)" : "\"" + status + "\"");
        trace_.Write(JsonLine("status", now.ms, now.frame, now.tick).String("text", status));
        status_ = status;
    }
    auto feed = hook::Feed();
    for (; feedSeen_ < feed.size(); ++feedSeen_) {
        const hook::FeedPost& post = feed[feedSeen_];
        Line(now, "feed", post.text + (post.flag ? " (flashing)" : ""));
        trace_.Write(JsonLine("feed", now.ms, now.frame, now.tick).String("text", post.text).Bool("flag", post.flag));
    }
}

void PlayerView::ObserveWorkers(const Moment& now) {
    auto count = os::CountWorkers();
    if (!count) return;
    for (; workersStarted_ < count->started; ++workersStarted_) {
        ++fetchesStarted_;
        trace_.Write(JsonLine("fetch_start", now.ms, now.frame, now.tick).Number("running", count->running));
    }
    for (uint64_t ended = count->started - count->running; workersEnded_ < ended; ++workersEnded_)
        trace_.Write(JsonLine("fetch_end", now.ms, now.frame, now.tick).Number("running", count->running));
}

void PlayerView::ObserveService(const Moment& now) {
    if (!answers_) return;
    for (const ServiceAnswer& answer : answers_()) {
        std::string text = "\"" + answer.location + "\": ";
        if (answer.conditionCode != 0)
            text += "condition " + std::to_string(answer.conditionCode) + " (" + answer.description + ")";
        else
            text += std::to_string(answer.status) + " " + answer.refusal;
        Line(now, "service", text);
        trace_.Write(JsonLine("service", now.ms, now.frame, now.tick)
                         .String("location", answer.location)
                         .Number("status", answer.status)
                         .Number("code", answer.conditionCode));
    }
}

void PlayerView::ObserveLog(const Moment& now) {
    std::error_code error;
    auto size = std::filesystem::file_size(kLogFile, error);
    if (error || size <= logOffset_) return;
    std::ifstream log(kLogFile, std::ios::binary);
    log.seekg(static_cast<std::streamoff>(logOffset_));
    std::string bytes(size - logOffset_, '\0');
    log.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(log.gcount()));
    logOffset_ += bytes.size();
    logPartial_ += bytes;
    // Whole lines only: a line being written shows once it is complete.
    size_t end;
    while ((end = logPartial_.find('\n')) != std::string::npos) {
        std::string line = logPartial_.substr(0, end);
        logPartial_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        Line(now, "log", line);
        trace_.Write(JsonLine("log", now.ms, now.frame, now.tick).String("line", line));
    }
}

}  // namespace sim
