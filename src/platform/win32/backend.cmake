# The whole Windows backend.
glimmerdale_platform_backend(WINDOWS LIBS gdi32 user32 advapi32 winmm opengl32 comctl32 shell32)
