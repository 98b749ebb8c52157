#include "VirtualBoard.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace board {

namespace {

constexpr size_t kReceivedKept = 1 << 20;
constexpr int kSegmentBody = kUnits * kUnitLength;  // 128
constexpr int kHupPauseMs = 20;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Waits on `fd` for `ms` milliseconds; true when it became readable.
bool WaitReadable(int fd, int ms) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

}  // namespace

// ---- FrameParser

void FrameParser::Feed(const char* data, size_t count) {
    for (size_t i = 0; i < count; ++i) Take(data[i]);
}

void FrameParser::Restart(char c) {
    state_ = c == '{' ? State::Header : State::Idle;
    header_.clear();
    body_.clear();
}

void FrameParser::Take(char c) {
    switch (state_) {
        case State::Idle:
            if (c == '{') Restart(c);
            return;
        case State::Header:
            if (c == '{') {  // the previous one never finished
                ++malformed_;
                Restart(c);
                return;
            }
            header_ += c;
            if (header_.size() < 3) return;
            if (header_ == "DET") {
                kind_ = FrameKind::Detect;
                state_ = State::Close;
            } else if (header_ == "7SG") {
                kind_ = FrameKind::Segment;
                bodyLength_ = kSegmentBody;
                state_ = State::Body;
            } else if (header_ == "LED") {
                kind_ = FrameKind::Led;
                bodyLength_ = kOutputs;
                state_ = State::Body;
            } else {
                ++malformed_;
                Restart(0);
            }
            return;
        case State::Body:
            body_ += c;
            if (body_.size() == bodyLength_) state_ = State::Close;
            return;
        case State::Close:
            if (c == '}') {
                std::string body;
                body.swap(body_);
                Restart(0);
                handler_(kind_, body);
            } else {
                ++malformed_;
                Restart(c);
            }
            return;
    }
}

// ---- Script lines

bool Unescape(const std::string& text, std::string& bytes) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++i >= text.size()) return false;
        switch (text[i]) {
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x':
                if (i + 2 >= text.size()) return false;
                if (!IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2])) return false;
                bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
                i += 2;
                break;
            default:
                return false;
        }
    }
    return true;
}

ScriptAction ParseScriptLine(const std::string& line) {
    ScriptAction action;
    // "raw" keeps its text as typed, blanks at the end included (only the
    // line end goes).
    std::string untrimmed = line;
    while (!untrimmed.empty() && (untrimmed.back() == '\n' || untrimmed.back() == '\r')) {
        untrimmed.pop_back();
    }
    size_t lead = untrimmed.find_first_not_of(" \t");
    if (lead != std::string::npos && untrimmed.compare(lead, 4, "raw ") == 0) {
        action.kind = Unescape(untrimmed.substr(lead + 4), action.bytes) ? ScriptAction::Send
                                                                         : ScriptAction::Invalid;
        return action;
    }
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') return action;
    if (text == "!") {
        action.kind = ScriptAction::Send;
        action.bytes = "!";
        return action;
    }
    if (text.compare(0, 6, "sleep ") == 0) {
        const std::string number = Trim(text.substr(6));
        char* end = nullptr;
        long ms = number.empty() ? -1 : strtol(number.c_str(), &end, 10);
        if (ms < 0 || ms > 3600000 || *end != '\0') {
            action.kind = ScriptAction::Invalid;
            return action;
        }
        action.kind = ScriptAction::Sleep;
        action.ms = static_cast<int>(ms);
        return action;
    }
    for (char c : text) {
        if (!IsHexDigit(c)) {
            action.kind = ScriptAction::Invalid;
            return action;
        }
    }
    action.kind = ScriptAction::Send;
    action.bytes = "{" + text + "}";
    return action;
}

// ---- VirtualBoard

VirtualBoard::VirtualBoard(int id)
    : id_(id & 0xFF),
      parser_([this](FrameKind kind, const std::string& body) { OnFrame(kind, body); }),
      segmentBody_(kSegmentBody, ' '),
      ledBody_(kOutputs, '0') {}

VirtualBoard::~VirtualBoard() { Stop(); }

std::string VirtualBoard::DetectResponse() const {
    char text[8];
    snprintf(text, sizeof text, "{F%02X}", id_);
    return text;
}

bool VirtualBoard::Start() {
    if (master_ >= 0) return true;
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) return false;
    char name[128];
    termios t;
    // Settings made on the master side are the slave's: raw, so that nothing
    // is echoed or translated before the program sets its own.
    bool ok = grantpt(master) == 0 && unlockpt(master) == 0 &&
              ptsname_r(master, name, sizeof name) == 0 &&
              fcntl(master, F_SETFL, O_NONBLOCK) == 0 && tcgetattr(master, &t) == 0;
    if (ok) {
        cfmakeraw(&t);
        ok = tcsetattr(master, TCSANOW, &t) == 0;
    }
    // Until its first opener the kernel keeps what is written for it, which
    // the program would get late as stale events. Opened and closed once, the
    // terminal reports the hang-up until the program opens it, and the board
    // drops what it would send meanwhile (WriteAll), as after every close.
    if (ok) {
        const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        ok = slave >= 0 && close(slave) == 0;
    }
    if (ok) ok = pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) == 0;
    if (!ok) {
        close(master);
        return false;
    }
    devicePath_ = name;
    master_ = master;
    thread_ = std::thread(&VirtualBoard::Run, this);
    return true;
}

void VirtualBoard::Shutdown() {
    if (thread_.joinable()) {
        char wake = 1;
        ssize_t ignored = write(wakePipe_[1], &wake, 1);
        (void)ignored;
        thread_.join();
    }
    std::lock_guard<std::mutex> lock(writeMutex_);
    CloseFd(master_);
    CloseFd(wakePipe_[0]);
    CloseFd(wakePipe_[1]);
}

void VirtualBoard::Unplug() { Shutdown(); }

void VirtualBoard::Stop() { Shutdown(); }

bool VirtualBoard::WriteAll(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    if (master_ < 0) return false;
    // With no program on the other end the bytes would wait in the terminal
    // and reach the next opener as stale events; a real board's bytes are
    // lost while the port is closed, so these are too.
    pollfd p = {master_, POLLOUT, 0};
    if (poll(&p, 1, 0) == 1 && (p.revents & POLLHUP)) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        // The program is not reading; wait a little for room, not forever.
        p = {master_, POLLOUT, 0};
        if (poll(&p, 1, 1000) <= 0 || !(p.revents & POLLOUT)) return false;
    }
    return true;
}

bool VirtualBoard::Send(const std::string& bytes) { return WriteAll(bytes); }

bool VirtualBoard::RunScriptLine(const std::string& line,
                                 const std::function<bool()>& interrupted) {
    ScriptAction action = ParseScriptLine(line);
    switch (action.kind) {
        case ScriptAction::None:
            return true;
        case ScriptAction::Invalid:
            return false;
        case ScriptAction::Send:
            Send(action.bytes);
            return true;
        case ScriptAction::Sleep: {
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(action.ms);
            while (std::chrono::steady_clock::now() < end) {
                if (interrupted && interrupted()) break;
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now());
                std::this_thread::sleep_for(
                    std::min(left, std::chrono::milliseconds(interrupted ? 20 : action.ms)));
            }
            return true;
        }
    }
    return false;
}

void VirtualBoard::Run() {
    char buffer[4096];
    for (;;) {
        pollfd p[2] = {{master_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        int r = poll(p, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents != 0 || (p[0].revents & POLLNVAL)) return;
        ssize_t n = -1;
        int error = EIO;
        if (p[0].revents & POLLIN) {
            n = read(master_, buffer, sizeof buffer);
            error = n < 0 ? errno : EIO;
        }
        if (n <= 0) {
            if (error == EAGAIN || error == EINTR) continue;
            // No program has the port open (EIO, hang-up): the terminal stays
            // ours; look again shortly, as often as a human would notice.
            if (WaitReadable(wakePipe_[0], kHupPauseMs)) return;
            continue;
        }
        int detects = 0;
        bool changed = false;
        std::function<void()> listener;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            int detectsBefore = detects_;
            std::string segmentBefore = segmentBody_, ledBefore = ledBody_;
            received_.append(buffer, static_cast<size_t>(n));
            if (received_.size() > kReceivedKept) {
                received_.erase(0, received_.size() - kReceivedKept);
            }
            parser_.Feed(buffer, static_cast<size_t>(n));
            detects = detects_ - detectsBefore;
            changed = segmentBefore != segmentBody_ || ledBefore != ledBody_;
            listener = listener_;
        }
        changed_.notify_all();
        for (int i = 0; i < detects; ++i) WriteAll(DetectResponse());
        if (changed && listener) listener();
    }
}

void VirtualBoard::OnFrame(FrameKind kind, const std::string& body) {
    // Called by the parser with mutex_ held.
    switch (kind) {
        case FrameKind::Detect:
            ++detects_;
            break;
        case FrameKind::Segment:
            ++segments_;
            segmentBody_ = body;
            break;
        case FrameKind::Led:
            ++leds_;
            ledBody_ = body;
            break;
    }
    order_.push_back(static_cast<char>(kind));
    if (order_.size() > kOrderKept) order_.pop_front();
}

int VirtualBoard::DetectCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return detects_;
}

int VirtualBoard::SegmentCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return segments_;
}

int VirtualBoard::LedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return leds_;
}

int VirtualBoard::MalformedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return parser_.Malformed();
}

std::string VirtualBoard::Order() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::string(order_.begin(), order_.end());
}

std::string VirtualBoard::SegmentBody() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return segmentBody_;
}

std::string VirtualBoard::LedBody() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ledBody_;
}

std::string VirtualBoard::UnitText(int unit) const {
    if (unit < 0 || unit >= kUnits) return "";
    std::lock_guard<std::mutex> lock(mutex_);
    return segmentBody_.substr(static_cast<size_t>(kUnitLength * (kUnits - 1 - unit)), kUnitLength);
}

bool VirtualBoard::OutputOn(int output) const {
    if (output < 0 || output >= kOutputs) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    // The program sends "0" or "1"; like the board, only the lowest bit counts.
    return (ledBody_[static_cast<size_t>(output)] & 1) != 0;
}

std::string VirtualBoard::TakeReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string bytes;
    bytes.swap(received_);
    return bytes;
}

bool VirtualBoard::WaitFor(const std::function<bool()>& done, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool VirtualBoard::WaitForDetects(int n, int timeoutMs) const {
    return WaitFor([&] { return detects_ >= n; }, timeoutMs);
}

bool VirtualBoard::WaitForSegmentFrames(int n, int timeoutMs) const {
    return WaitFor([&] { return segments_ >= n; }, timeoutMs);
}

bool VirtualBoard::WaitForLedFrames(int n, int timeoutMs) const {
    return WaitFor([&] { return leds_ >= n; }, timeoutMs);
}

bool VirtualBoard::WaitForReceived(size_t bytes, int timeoutMs) const {
    return WaitFor([&] { return received_.size() >= bytes; }, timeoutMs);
}

void VirtualBoard::SetChangeListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
}

}  // namespace board
