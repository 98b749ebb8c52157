// How long a board message takes from the board's write to the receive
// callback, how many bytes a second the driver takes in, and what an idle
// open port costs. Run by hand: build-dir/bench/bench_serial [messages]
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VirtualBoard.h"
#include "console/Console.h"
#include "serial/Serial.h"

namespace {

using Clock = std::chrono::steady_clock;

std::mutex mutex;
std::condition_variable arrived;
size_t receivedBytes = 0;
Clock::time_point lastArrival;

int OnReceive(const char*, int count) {
    Clock::time_point now = Clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex);
        receivedBytes += static_cast<size_t>(count);
        lastArrival = now;
    }
    arrived.notify_all();
    return 0;
}

bool WaitForBytes(size_t total, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex);
    return arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return receivedBytes >= total; });
}

size_t Received() {
    std::lock_guard<std::mutex> lock(mutex);
    return receivedBytes;
}

double CpuMs() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p / 100.0 * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    SetConsoleStdout(false);
    board::VirtualBoard vb;
    Serial serial;
    serial.SetCallback(OnReceive);
    if (!vb.Start() || serial.Open(vb.DevicePath().c_str(), 115200) != 1) {
        fprintf(stderr, "bench_serial: cannot open a pseudo-terminal pair\n");
        return 1;
    }
    // Past the start-up pulse once the first byte arrives.
    vb.Send("#");
    if (!WaitForBytes(1, 3000)) {
        fprintf(stderr, "bench_serial: nothing arrived\n");
        return 1;
    }

    // 1. Latency, one message at a time.
    const std::string message = "{A0120064}";
    std::vector<double> latencyUs;
    latencyUs.reserve(static_cast<size_t>(messages));
    for (int i = 0; i < messages; ++i) {
        size_t target = Received() + message.size();
        Clock::time_point sent = Clock::now();
        vb.Send(message);
        if (!WaitForBytes(target, 2000)) {
            fprintf(stderr, "bench_serial: message %d lost\n", i);
            return 1;
        }
        std::lock_guard<std::mutex> lock(mutex);
        latencyUs.push_back(std::chrono::duration<double, std::micro>(lastArrival - sent).count());
    }
    printf("latency board write -> callback, %d messages of %zu bytes:\n", messages,
           message.size());
    printf("  median %.1f us   p99 %.1f us   max %.1f us\n", Percentile(latencyUs, 50),
           Percentile(latencyUs, 99), Percentile(latencyUs, 100));

    // 2. Throughput: 4 MiB as fast as the board can write.
    const size_t total = 4u << 20;
    const std::string chunk(4096, 'x');
    size_t start = Received();
    Clock::time_point begin = Clock::now();
    double cpuBefore = CpuMs();
    std::thread writer([&] {
        for (size_t sent = 0; sent < total; sent += chunk.size()) vb.Send(chunk);
    });
    bool all = WaitForBytes(start + total, 30000);
    writer.join();
    double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    printf(
        "throughput: %s%.1f MB/s (%.0fx the 10,470 bytes/s of the line at 115200 baud), "
        "CPU %.0f ms for %zu MiB\n",
        all ? "" : "INCOMPLETE ", total / seconds / 1e6, total / seconds / 10470.0,
        CpuMs() - cpuBefore, total >> 20);

    // 3. An idle open port.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    double idleBefore = CpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    printf("idle open port for 2 s: CPU %.2f ms (whole process, board included)\n",
           CpuMs() - idleBefore);
    serial.Close();
    return 0;
}
