// Placeholder; replaced as the UDP server is built.
#include "net/UdpServer.h"
UdpServer::~UdpServer() {}
void UdpServer::SetCallback(ReceiveCallback callback) { callback_ = callback; }
int UdpServer::Start(int) { return -1; }
int UdpServer::Stop() { return 0; }
int UdpServer::BoundPort() const { return 0; }
void UdpServer::ReceiveThread() {}
