/* Resource numbers of the desktop program, shared by its .rc file and its
   code. Icon 1 is the one the shell shows for the program. */
#pragma once

#define QUILL_ICON_APPLICATION 1
#define QUILL_ICON_BROWSE 2
#define QUILL_ICON_ADVANCE 3
#define QUILL_CURSOR_LINK 1
#define QUILL_DESIGN_MAINFRM 1
