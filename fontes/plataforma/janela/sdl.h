// Pieces of the SDL platform shared by the window, its font and the audio out.
// Nothing outside fontes/plataforma/janela/ includes this header, but for the
// latency benchmark, which reads LerMarcasDosBlocos.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "plataforma/plataforma.h"

namespace plataforma::sdl {

// A Windows-1252 string as UTF-8, for SDL's titles and fontconfig's names.
std::string ParaUtf8(std::string_view texto1252);

// The console font as a texture of white glyphs, one cell per byte 32..255,
// each scaled to exactly the cell size so that any face fits the grid.
class Letras {
 public:
  Letras() = default;
  Letras(const Letras&) = delete;
  Letras& operator=(const Letras&) = delete;
  ~Letras() { Liberar(); }

  // Finds the face, renders the atlas; false (and no glyphs) when no face
  // could be opened, in which case runs show their background only.
  bool Carregar(SDL_Renderer* pintor, const std::string& face1252, int largura, int altura);
  void Liberar();

  // Copies the glyphs of a run tinted with the foreground colour; the caller
  // has painted the background already.
  void Desenhar(SDL_Renderer* pintor, int x, int y, const uint8_t* bytes, int n, Cor frente);

  // Distance from the cell top to the base line, in cell pixels.
  int ascendente() const { return ascendente_; }

 private:
  SDL_Texture* atlas_ = nullptr;
  int largura_ = 0, altura_ = 0, ascendente_ = 0;
};

// The audio out; finished sound blocks are posted to `janela` as MM_WOM_DONE.
std::unique_ptr<SaidaAudio> CriarSaidaAudio(Janela& janela);

// For the latency benchmark: the steady-clock time (ns) of the last device
// buffer that carried samples of sound blocks, and of the first buffer after
// it that carried none (0 while block samples are still going out).
struct MarcasDosBlocos {
  int64_t ultimoComBlocos = 0;
  int64_t primeiroSemBlocos = 0;
};
MarcasDosBlocos LerMarcasDosBlocos();

}  // namespace plataforma::sdl
