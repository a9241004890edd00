// Not built: the layering check's own test plants this upward include (chart below view).
#include "view/renderer.h"
