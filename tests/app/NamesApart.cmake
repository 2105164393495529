# cmake -DWINDOW=NAME -DCONSOLE=NAME -P NamesApart.cmake: fails when the two file names are the
# same once letter case is ignored, as NTFS and FAT ignore it.
string(TOLOWER "${WINDOW}" window)
string(TOLOWER "${CONSOLE}" console)
if(window STREQUAL console)
  message(FATAL_ERROR "\"${WINDOW}\" and \"${CONSOLE}\" name the same file on Windows")
endif()
if(NOT WINDOW STREQUAL "Quillmere.exe")
  message(FATAL_ERROR "the window program is \"${WINDOW}\", not Quillmere.exe")
endif()
message(STATUS "${WINDOW} and ${CONSOLE} can share a folder")
