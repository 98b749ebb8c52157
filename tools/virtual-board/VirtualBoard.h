// A stand-in for the hub board on a pseudo-terminal. The program opens the
// terminal's device path as its serial port; the board answers "{DET}" with
// its detect response, takes the 7SG and LED output frames and sends control
// events and acknowledgements when told to. The `virtual-board` tool wraps it
// for people; tests use it in-process. Plain POSIX, no toolkit.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace board {

constexpr int kUnits = 16;                // 8-character display units
constexpr int kUnitLength = 8;            // characters per unit
constexpr int kOutputs = 64;              // discrete outputs
constexpr int kSegmentFrameLength = 133;  // "{7SG" + 128 characters + "}"
constexpr int kLedFrameLength = 69;       // "{LED" + 64 states + "}"

// What arrived from the program, in arrival order.
enum class FrameKind : char { Detect = 'D', Segment = 'S', Led = 'L' };

// Splits the program's byte stream into frames. A frame starts at "{"; after
// its three-letter header a 7SG or LED frame takes exactly its number of body
// bytes (a display character may be a brace) and must then close with "}".
// Anything else is skipped up to the next "{".
class FrameParser {
  public:
    // Called for each complete frame with its kind and its body (the display
    // characters or output states; empty for a detect request).
    using FrameHandler = std::function<void(FrameKind, const std::string& body)>;

    explicit FrameParser(FrameHandler handler) : handler_(std::move(handler)) {}
    void Feed(const char* data, size_t count);
    // Frames that started but were not well formed.
    int Malformed() const { return malformed_; }

  private:
    void Take(char c);
    void Restart(char c);

    enum class State { Idle, Header, Body, Close };
    FrameHandler handler_;
    State state_ = State::Idle;
    std::string header_;
    std::string body_;
    size_t bodyLength_ = 0;
    FrameKind kind_ = FrameKind::Detect;
    int malformed_ = 0;
};

// One line of a board script, as typed on standard input or read from a file.
struct ScriptAction {
    enum Kind { None, Send, Sleep, Invalid } kind = None;
    std::string bytes;  // Send: the bytes to send
    int ms = 0;         // Sleep: milliseconds
};

// "0123" (hexadecimal digits) sends "{0123}"; "!" sends the acknowledgement;
// "raw TEXT" sends TEXT with the escapes \n \r \t \\ \xHH; "sleep MS" waits;
// an empty line or one starting with "#" does nothing; anything else is
// Invalid.
ScriptAction ParseScriptLine(const std::string& line);

// TEXT of a "raw" line with its escapes resolved; false for a broken escape.
bool Unescape(const std::string& text, std::string& bytes);

class VirtualBoard {
  public:
    explicit VirtualBoard(int id = 1);
    ~VirtualBoard();  // stops and closes the terminal

    VirtualBoard(const VirtualBoard&) = delete;
    VirtualBoard& operator=(const VirtualBoard&) = delete;

    // Opens the pseudo-terminal and starts answering. False when no terminal
    // can be had.
    bool Start();
    // The device path the program opens, such as /dev/pts/3.
    const std::string& DevicePath() const { return devicePath_; }
    int Id() const { return id_; }
    // The detect response this board sends: "{F" and two hex digits and "}".
    std::string DetectResponse() const;

    // Sends bytes as they are. False when the board is not running or the
    // bytes could not all be handed to the terminal.
    bool Send(const std::string& bytes);
    bool SendEvent(const std::string& hexDigits) { return Send("{" + hexDigits + "}"); }
    bool SendAck() { return Send("!"); }
    // Carries out one script line; false when it is invalid. A sleep ends early
    // when `interrupted` says so (checked every 20 ms).
    bool RunScriptLine(const std::string& line, const std::function<bool()>& interrupted = nullptr);

    // Pulls the cable: the terminal is closed and the program's side hangs up.
    void Unplug();
    void Stop();  // the same, used at the end

    // What arrived. Counts and the order of the last frames (oldest first,
    // at most kOrderKept kinds).
    static constexpr size_t kOrderKept = 65536;
    int DetectCount() const;
    int SegmentCount() const;
    int LedCount() const;
    int MalformedCount() const;
    std::string Order() const;  // one letter per frame: D, S or L
    // The latest frames' bodies: 128 display characters / 64 states; spaces
    // and "0"s before the first frame.
    std::string SegmentBody() const;
    std::string LedBody() const;
    // The 8 characters of display unit 0 to 15 (unit 15 comes first in the
    // frame), and whether output 0 to 63 is on.
    std::string UnitText(int unit) const;
    bool OutputOn(int output) const;
    // Every byte received since the last call (at most the last 1 MiB).
    std::string TakeReceived();

    // Wait until the count reaches `n`; false after `timeoutMs`.
    bool WaitForDetects(int n, int timeoutMs) const;
    bool WaitForSegmentFrames(int n, int timeoutMs) const;
    bool WaitForLedFrames(int n, int timeoutMs) const;
    bool WaitForReceived(size_t bytes, int timeoutMs) const;

    // Called on the board's thread after each frame that changed a display
    // unit or an output (for drawing them).
    void SetChangeListener(std::function<void()> listener);

  private:
    void Run();
    void OnFrame(FrameKind kind, const std::string& body);
    bool WriteAll(const std::string& bytes);
    bool WaitFor(const std::function<bool()>& done, int timeoutMs) const;
    void Shutdown();

    const int id_;
    std::string devicePath_;
    int master_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
    std::mutex writeMutex_;  // the reply to "{DET}" and Send share the master

    mutable std::mutex mutex_;  // guards what follows
    mutable std::condition_variable changed_;
    FrameParser parser_;
    int detects_ = 0;
    int segments_ = 0;
    int leds_ = 0;
    std::deque<char> order_;
    std::string segmentBody_;
    std::string ledBody_;
    std::string received_;
    std::function<void()> listener_;
};

}  // namespace board
