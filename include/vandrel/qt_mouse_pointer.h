// Connects the engine's mouse pointer to Qt: the hourglass becomes Qt's wait cursor, shown
// as the application's override cursor and taken away again when the engine is done.
#pragma once

namespace vandrel {

void InstallQtMousePointer();

}  // namespace vandrel
