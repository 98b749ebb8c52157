// Placeholder; replaced as the serial driver is built.
#include "serial/Serial.h"
Serial::Serial(int bufferSize) : buffer_(new char[bufferSize]), bufferSize_(bufferSize) {}
Serial::~Serial() { delete[] buffer_; }
void Serial::SetCallback(ReceiveCallback callback) { callback_ = callback; }
int Serial::Open(const char*, int baudRate) { baudRate_ = baudRate; return 0; }
void Serial::Close() {}
int Serial::Write(const char*, int) { return -1; }
void Serial::DtrOn() {}
void Serial::DtrOff() {}
bool Serial::IsOpen() const { return false; }
std::string Serial::DevicePath(const std::string& n) { return n.rfind('/', 0) == 0 ? n : "/dev/" + n; }
void Serial::ReadingThread() {}
