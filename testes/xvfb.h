// A virtual X screen for the tests and benchmarks of the real window.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <X11/Xlib.h>

#include <chrono>
#include <string>

extern char** environ;

namespace xvfb {

struct Tela {
  pid_t pid = -1;
  std::string nome;  // ":N"; empty when Xvfb did not start
};

// Starts Xvfb on a free display number, which it writes on descriptor 3 once
// it accepts clients; its messages go to `log`. The root is black, so nothing
// light shows before a window draws.
inline Tela Iniciar(const std::string& log = "/dev/null") {
  Tela t;
  int canal[2];
  if (pipe2(canal, O_CLOEXEC) != 0) return t;
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_adddup2(&acoes, canal[1], 3);
  posix_spawn_file_actions_addopen(&acoes, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const char* argv[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-br", "-nolisten", "tcp",
                        nullptr};
  if (posix_spawnp(&t.pid, "Xvfb", &acoes, nullptr, const_cast<char**>(argv), environ) != 0) t.pid = -1;
  posix_spawn_file_actions_destroy(&acoes);
  close(canal[1]);
  std::string numero;
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (t.pid > 0 && numero.find('\n') == std::string::npos && std::chrono::steady_clock::now() < limite) {
    pollfd p{canal[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char b[16];
    ssize_t n = read(canal[0], b, sizeof b);
    if (n <= 0) break;
    numero.append(b, size_t(n));
  }
  close(canal[0]);
  if (numero.find('\n') != std::string::npos) t.nome = ":" + numero.substr(0, numero.find('\n'));
  return t;
}

inline void Parar(Tela& t) {
  if (t.pid <= 0) return;
  kill(t.pid, SIGTERM);
  waitpid(t.pid, nullptr, 0);
  t.pid = -1;
}

// What a window manager sends when the user clicks a window's close button.
inline void PedirFechamento(Display* tela, Window janela) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = janela;
  e.xclient.message_type = XInternAtom(tela, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(tela, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(tela, janela, False, NoEventMask, &e);
  XFlush(tela);
}

}  // namespace xvfb
