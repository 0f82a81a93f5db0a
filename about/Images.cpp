#include "Images.h"

// The sources below are written by images/make_images.py; declaring the arrays extern first
// gives the const definitions external linkage.
#include "images/emblem.xpm"
#include "images/logo.xpm"
