// What the benchmarks of the real window need from the X server: a virtual
// screen when none is given, the game's window found by its process id,
// the keyboard focus, key presses as a keyboard makes them, and the close
// request of a window manager.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testes/xvfb.h"

extern char** environ;

namespace bancada {

using Relogio = std::chrono::steady_clock;

inline int64_t AgoraNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Relogio::now().time_since_epoch()).count();
}

// Xvfb on a display of its own choice when DISPLAY is not set; DISPLAY then
// names it for the rest of the process. Stopped when the object goes.
// The X screen the benchmarks run on: DISPLAY when it is set, else an Xvfb
// of their own for as long as this lives.
class TelaVirtual {
 public:
  TelaVirtual() {
    if (const char* d = std::getenv("DISPLAY"); d && *d) return;
    tela_ = xvfb::Iniciar();
    if (!tela_.nome.empty()) setenv("DISPLAY", tela_.nome.c_str(), 1);
  }
  ~TelaVirtual() { xvfb::Parar(tela_); }
  TelaVirtual(const TelaVirtual&) = delete;
  TelaVirtual& operator=(const TelaVirtual&) = delete;

 private:
  xvfb::Tela tela_;
};

// A connection of our own to the X server, apart from SDL's.
class X {
 public:
  X() : tela_(XOpenDisplay(nullptr)) {
    // A window read or closed just as the game goes away gives an X error,
    // which would otherwise end this program.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // libXtst is loaded at run time: only its run-time part comes with the
    // packages the project installs.
    if (tela_ && (xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL)))
      falsaTecla_ = reinterpret_cast<FalsaTecla>(dlsym(xtst_, "XTestFakeKeyEvent"));
  }
  ~X() {
    if (tela_) XCloseDisplay(tela_);
    if (xtst_) dlclose(xtst_);
  }
  X(const X&) = delete;
  X& operator=(const X&) = delete;

  Display* tela() const { return tela_; }
  bool TemXTest() const { return falsaTecla_ != nullptr; }

  // The top-level window that carries the process id, waited for up to `prazo`.
  Window JanelaDe(pid_t pid, std::chrono::milliseconds prazo) const {
    if (!tela_) return 0;
    const Atom pidAtom = XInternAtom(tela_, "_NET_WM_PID", False);
    for (auto limite = Relogio::now() + prazo; Relogio::now() < limite;
         std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
      Window raiz, pai, *filhas = nullptr, achada = 0;
      unsigned int n = 0;
      if (!XQueryTree(tela_, DefaultRootWindow(tela_), &raiz, &pai, &filhas, &n)) continue;
      for (unsigned int i = 0; i < n && !achada; ++i) {
        Atom tipo;
        int formato;
        unsigned long itens, resto;
        unsigned char* valor = nullptr;
        XWindowAttributes atributos;
        if (XGetWindowAttributes(tela_, filhas[i], &atributos) && atributos.map_state == IsViewable &&
            XGetWindowProperty(tela_, filhas[i], pidAtom, 0, 1, False, XA_CARDINAL, &tipo, &formato, &itens,
                               &resto, &valor) == Success &&
            valor && itens == 1 && pid_t(*reinterpret_cast<unsigned long*>(valor)) == pid)
          achada = filhas[i];
        if (valor) XFree(valor);
      }
      if (filhas) XFree(filhas);
      if (achada) return achada;
    }
    return 0;
  }

  void Focar(Window janela) const {
    XSetInputFocus(tela_, janela, RevertToParent, CurrentTime);
    XSync(tela_, False);
  }

  // Presses and releases a key through the X server, as a keyboard does.
  void Teclar(KeySym simbolo) const {
    const unsigned int codigo = XKeysymToKeycode(tela_, simbolo);
    falsaTecla_(tela_, codigo, True, 0);
    XFlush(tela_);
    falsaTecla_(tela_, codigo, False, 0);
    XFlush(tela_);
  }

  void PedirFechamento(Window janela) const { xvfb::PedirFechamento(tela_, janela); }

 private:
  using FalsaTecla = int (*)(Display*, unsigned int, Bool, unsigned long);
  Display* tela_;
  void* xtst_ = nullptr;
  FalsaTecla falsaTecla_ = nullptr;
};

// A fresh directory, removed with the object.
class Pasta {
 public:
  Pasta() {
    char modelo[] = "/tmp/mirtalan-bancada-XXXXXX";
    if (mkdtemp(modelo)) caminho_ = modelo;
  }
  ~Pasta() {
    std::error_code erro;
    if (!caminho_.empty()) std::filesystem::remove_all(caminho_, erro);
  }
  Pasta(const Pasta&) = delete;
  Pasta& operator=(const Pasta&) = delete;
  const std::string& caminho() const { return caminho_; }
  std::string operator/(const std::string& nome) const { return caminho_ + "/" + nome; }

  void Escrever(const std::string& nome, const std::string& conteudo) const {
    if (std::FILE* f = std::fopen((*this / nome).c_str(), "wb")) {
      std::fwrite(conteudo.data(), 1, conteudo.size(), f);
      std::fclose(f);
    }
  }

 private:
  std::string caminho_;
};

}  // namespace bancada
