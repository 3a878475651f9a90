// The silent speech front end.
#include "tradutor/frontend/silenciosa.h"

namespace frontend {

// Nothing sounds, but the test still pumps messages like a real one.
bool FalaSilenciosa::IsSpeaking() {
  console_.KeyWaiting();
  return false;
}

}  // namespace frontend
