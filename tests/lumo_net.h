// A loopback HTTP server for the network checks' tests: 127.0.0.1 on a
// free port, on a thread of its own. Nothing here reaches beyond this
// machine.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class LumoLoopbackServer {
 public:
  // Answers "200 OK" for "/ok" and "404 Not Found" for any other path; a
  // silent server accepts every connection and never answers.
  explicit LumoLoopbackServer(bool bSilent = false) : silent_(bSilent) {
    WSADATA data{};
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = Bound(port_);
    ::listen(listener_, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LumoLoopbackServer() {
    stop_ = true;
    thread_.join();
    for (SOCKET s : held_) ::closesocket(s);
    ::closesocket(listener_);
    ::WSACleanup();
  }
  LumoLoopbackServer(const LumoLoopbackServer&) = delete;
  LumoLoopbackServer& operator=(const LumoLoopbackServer&) = delete;

  std::wstring URL(const wchar_t* sPath) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + sPath;
  }

  // A loopback port that nothing listens on: connecting is refused.
  static std::wstring ClosedURL() {
    WSADATA data{};
    ::WSAStartup(MAKEWORD(2, 2), &data);
    int port = 0;
    ::closesocket(Bound(port));
    ::WSACleanup();
    return L"http://127.0.0.1:" + std::to_wstring(port) + L"/ok";
  }

 private:
  static SOCKET Bound(int& port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
  }

  void Serve() {
    while (!stop_) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(listener_, &ready);
      timeval wait{0, 20000};
      if (::select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
      SOCKET c = ::accept(listener_, nullptr, nullptr);
      if (c == INVALID_SOCKET) continue;
      if (silent_) {
        held_.push_back(c);
        continue;
      }
      std::string request;
      char buf[2048];
      int got = 0;
      while (request.find("\r\n\r\n") == std::string::npos && (got = ::recv(c, buf, sizeof(buf), 0)) > 0)
        request.append(buf, static_cast<size_t>(got));
      const bool ok = request.rfind("GET /ok ", 0) == 0;
      const std::string body = ok ? "Microsoft Connect Test" : "missing";
      const std::string answer =
          std::string(ok ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
          "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
          "\r\nConnection: close\r\n\r\n" + body;
      ::send(c, answer.data(), static_cast<int>(answer.size()), 0);
      ::shutdown(c, SD_SEND);
      ::closesocket(c);
    }
  }

  bool silent_;
  int port_ = 0;
  SOCKET listener_ = INVALID_SOCKET;
  std::vector<SOCKET> held_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
