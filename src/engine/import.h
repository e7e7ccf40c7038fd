// The import loops. The wizard's two loops read the layout that stage 2 left in the engine
// state; the silent import reads a layout saved by name. Each line is read by the shared
// reader, cut, and stored by the session's record writer; a bad line becomes an error row.
#pragma once

#include <string>

#include "vandrel/spec_files.h"

namespace vandrel {

// The wizard's imports of `textFile`. Any error that stops the loop sets ImportOK to false;
// nothing escapes. The caller sizes LineFields first.
void ImportaDelimitato(const std::string& textFile);
void rigatxtfisso(const std::string& textFile);

// The silent import (Action = 1): ImportFile into TabImport by the layout named
// SpecificationName, setting ImportResult. Errors it cannot turn into error rows reach the
// caller as vandrel::Error, with ImportResult left as it was.
void ImportaBackGround();

// Load the layout named SpecificationName (letter case ignored) into the current layout;
// false when there is none.
bool CaricaSpecDelim();
bool CaricaSpecFisso();

}  // namespace vandrel
