# The one id that names the menu entry, the icon, the file types and the AppStream data
# (src/shell/app_icon.h repeats it for the running program; a test keeps the two equal),
# and the sizes of the drawn icons.
set(HORAVEL_APP_ID io.github.horavel.Horavel)
set(HORAVEL_ICON_SIZES 16 22 24 32 48 64 128 256)
