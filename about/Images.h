#pragma once

// XPM data compiled into the program: the window icon and the logo beside the title.
extern const char *const EmblemImage[];
extern const char *const LogoImage[];
