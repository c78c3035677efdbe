# How the program names itself on the desktop. One id names the desktop entry, the icon and
# the AppStream metainfo, and the program announces it, so a desktop shell can tie the running
# window to its menu entry and icon.
set(KVT_APP_ID "org.kvt450.utility")
set(KVT_APP_NAME "KVT-450 Series Utility")
set(KVT_ICON_FILE "${PROJECT_SOURCE_DIR}/packaging/kvt450.svg")

# kvt_add_application_icon(TARGET): compiles the icon into TARGET as ":/icons/kvt450.svg".
function(kvt_add_application_icon target)
    qt_add_resources(${target} applicationicon
        PREFIX /icons
        BASE ${PROJECT_SOURCE_DIR}/packaging
        FILES ${KVT_ICON_FILE})
endfunction()
