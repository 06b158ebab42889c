// Mesa's cache of compiled shaders on disk, which makes a start-up on llvmpipe four times quicker
// than compiling every shader anew.
#pragma once

// Where the directory Mesa would keep its cache in cannot be made or used (a home that does not
// exist or cannot be written, XDG_CACHE_HOME naming a file), Mesa would say so on stderr at every
// start: the cache is switched off instead, quietly, before the driver is loaded. A cache the user
// chose or switched off (MESA_SHADER_CACHE_DIR, MESA_SHADER_CACHE_DISABLE and their older
// MESA_GLSL_ names) is left as chosen. Call it before any thread runs: it may set a variable of
// the environment.
void quietShaderCache();
