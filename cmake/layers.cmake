# The layers of the program, lowest first, and the layers each one may use. This is
# the one place the architecture is written down: every layer's library target links
# exactly the layers listed here, and the layering check (check_layers.cmake) stops
# the build on an #include that reaches any other folder.
set(GVS_LAYERS base video audio image engine scenes show synth forge cli)

set(GVS_USES_base   "")
set(GVS_USES_video  base)
set(GVS_USES_audio  base)
set(GVS_USES_image  base)
set(GVS_USES_engine base image)
set(GVS_USES_scenes base image engine)
set(GVS_USES_show   base video audio image engine scenes)
# The music score reads the table of sections to know where the music changes.
set(GVS_USES_synth  base scenes)
set(GVS_USES_forge  base engine synth)
set(GVS_USES_cli    base video audio image engine scenes show synth forge)
