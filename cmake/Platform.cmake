# Which side of the operating-system seam this build compiles.
if(WIN32)
  set(MOS_OS_DIR nt)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  # One self-contained executable per program: no runtime DLLs to ship
  # beside it (and none for Wine to find).
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  set(MOS_OS_DIR posix)
endif()
