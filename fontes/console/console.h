// The text console: an 80 x 25 screen of cells with colour attributes in its
// own window, a text window with cursor, wrapping and scrolling, the key queue
// with PC key codes and Braille chords, and the console text streams.
// tela.cpp holds the window and screen model, teclado.cpp the keyboard,
// texto.cpp the text streams.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/plataforma.h"

namespace console {

constexpr int kColunas = 80, kLinhas = 25;
constexpr int kTamanhoFila = 64;

// Palette index -> colour; indexes above 15 are black.
plataforma::Cor CorDaPaleta(uint8_t indice);

class Console;

// Output stream buffer: 128 bytes, written to the screen when full and at
// every flush, pumping messages after each transfer.
class SaidaConsole : public std::streambuf {
 public:
  explicit SaidaConsole(Console& console);

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  void Transferir();
  Console& console_;
  char buffer_[128];
};

// Input stream buffer: each refill is one line edited with ReadLine.
class EntradaConsole : public std::streambuf {
 public:
  explicit EntradaConsole(Console& console);

 protected:
  int_type underflow() override;

 private:
  Console& console_;
  char buffer_[128];
};

class Console {
 public:
  // Handler of the MM_WOM_DONE slot: (wParam, lParam).
  using Manipulador = std::function<void(uintptr_t, uintptr_t)>;

  explicit Console(plataforma::Plataforma& plataforma);
  // Shut-down step: caption "Programa terminado", Ctrl+Break handling off.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Window and screen model.
  void EnsureConsole();
  void SetTextWindow(int left, int top, int right, int bottom);
  void ClearWindow();
  void ClearToLineEnd();
  void MoveCursor(int x, int y);
  int CursorColumn() const;
  int CursorRow() const;
  void SetBackground(int c);
  void WriteChars(const uint8_t* bytes, uint16_t count);
  void WriteChar(uint8_t b);
  void SetConsoleTitle(std::string_view text);
  void PumpAllMessages();
  void PumpConsoleMessages();
  void PauseMs(uint16_t ms);
  // WaitMessage: sleeps until a message may be waiting.
  void WaitMessage();
  [[noreturn]] void CloseConsole();
  void PostMessage(uint32_t codigo, uintptr_t wparam = 0, uintptr_t lparam = 0);
  void SetWomDoneHandler(Manipulador manipulador, bool habilitado);

  // Keyboard.
  bool KeyWaiting();
  uint8_t NextKey();
  int ReadLine(uint8_t* buffer, uint16_t capacity);
  void SetBrailleMode(int m);
  void PlayTone(int frequencia);
  void StopTone();

  // Console text stream.
  std::ostream& Saida() { return saida_; }
  std::istream& Entrada() { return entrada_; }
  void Write(std::string_view texto);
  void WriteLine(std::string_view texto = {});

  // Read access for the picture, the speech layer and tests.
  plataforma::Plataforma& plataforma() { return plataforma_; }
  bool Criada() const { return criada_; }
  int LarguraJanela() const { return metricas_.larguraJanela; }
  int AlturaJanela() const { return metricas_.alturaJanela; }
  uint8_t Caractere(int coluna, int linha) const;  // 0-based absolute
  uint8_t Atributo(int coluna, int linha) const;
  uint8_t TextAttr() const { return textAttr_; }
  const std::array<uint8_t, 16>& ColourMap() const { return colourMap_; }
  int BrailleMode() const { return brailleMode_; }
  std::string KeyQueue() const { return std::string(fila_.begin(), fila_.begin() + contagem_); }
  const std::vector<uint8_t>& ToneImage() const { return tom_; }

 private:
  struct Retangulo {
    int left = 0, top = 0, right = kColunas - 1, bottom = kLinhas - 1;
    int Largura() const { return right - left + 1; }
    int Altura() const { return bottom - top + 1; }
  };

  // tela.cpp
  // Reads section VIDEO; returns the configured Braille mode.
  int LerConfiguracao(plataforma::PedidoJanela& pedido);
  void WindowProc(const plataforma::Mensagem& m);
  void DefaultWindowProc(const plataforma::Mensagem& m);
  void Bombear();
  void DesenharCelulas(int linha, int de, int ate);
  void RedesenharTudo();
  void DesenharAlteradas();
  void NovaLinha();
  void Rolar();
  void OnCreate();
  void OnDestroy();
  plataforma::Cor CorLogica(int c) const;
  size_t Indice(int coluna, int linha) const { return size_t(linha) * kColunas + coluna; }

  // teclado.cpp
  void OnChar(const plataforma::Mensagem& m);
  void OnKeyDown(const plataforma::Mensagem& m);
  void OnSysKeyDown(const plataforma::Mensagem& m);
  void OnKeyUp(const plataforma::Mensagem& m);
  void OnSetFocus();
  void OnKillFocus();
  bool Enfileirar(std::initializer_list<uint8_t> bytes);
  void CompletarAcorde();
  uint8_t AplicarSinais(uint8_t c);
  void TocarSinal(int frequencia);
  void MostrarCaret();
  void EsconderCaret();
  [[noreturn]] void EncerrarPorBreak();

  plataforma::Plataforma& plataforma_;
  plataforma::Janela& janela_;

  // Screen state.
  std::vector<uint8_t> caracteres_, atributos_;
  uint8_t textAttr_ = 0x0F;
  Retangulo janelaTexto_;
  int cursorColuna_ = 0, cursorLinha_ = 0;
  std::array<uint8_t, 16> colourMap_{};
  bool coresPermitidas_ = true;
  bool rolagemRapida_ = false;
  bool maximizar_ = true;
  plataforma::Metricas metricas_;
  std::string tituloBuffer_;
  bool criada_ = false, focada_ = false;
  // Cells changed on the cursor row since they were last drawn.
  int alteradaDe_ = kColunas, alteradaAte_ = -1, linhaAlterada_ = -1;

  Manipulador womDone_;
  bool womDoneHabilitado_ = false;

  // Keyboard state.
  std::array<uint8_t, kTamanhoFila> fila_{};
  int contagem_ = 0;
  bool esperando_ = false;
  bool caretVisivel_ = false;
  bool breakHandling_ = true;
  int brailleMode_ = 0;
  uint8_t acorde_ = 0, teclasPresas_ = 0;
  bool capital_ = false, capsLock_ = false, numero_ = false;
  std::vector<uint8_t> tom_;

  SaidaConsole bufSaida_;
  EntradaConsole bufEntrada_;
  std::ostream saida_;
  std::istream entrada_;
};

}  // namespace console
