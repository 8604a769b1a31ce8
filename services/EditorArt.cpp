#include "services/EditorArt.h"

#include "services/embedded/EmbeddedImages.h"

namespace {

#define SKARDY_ART(index, name) art[index] = ArtImage{name, name##_size}

EditorArt collect()
{
    EditorArt art{};
    SKARDY_ART(ART_APP_ICON, Skardy_img_app_icon);
    SKARDY_ART(ART_LOGO, Skardy_img_logo);
    SKARDY_ART(ART_BG_DEFAULT, Skardy_bg_default);
    SKARDY_ART(ART_BTN_NEW, Skardy_btn_new);
    SKARDY_ART(ART_BTN_LOAD, Skardy_btn_load);
    SKARDY_ART(ART_BTN_IMPORT_XML, Skardy_btn_import_xml);
    SKARDY_ART(ART_BTN_LOCK, Skardy_btn_lock);
    SKARDY_ART(ART_BTN_UNLOCK, Skardy_btn_unlock);
    SKARDY_ART(ART_BTN_TOOLS, Skardy_btn_tools);
    SKARDY_ART(ART_BTN_CLOSE, Skardy_btn_close);
    SKARDY_ART(ART_BTN_INFO, Skardy_btn_info);
    SKARDY_ART(ART_CHK_TAB, Skardy_chk_tab);
    SKARDY_ART(ART_BTN_NEW_ITEM, Skardy_btn_new_item);
    SKARDY_ART(ART_BTN_SAVE_ITEM, Skardy_btn_save_item);
    SKARDY_ART(ART_BTN_DELETE_ITEM, Skardy_btn_delete_item);
    SKARDY_ART(ART_BTN_IMPORT_IMG, Skardy_btn_import_img);
    SKARDY_ART(ART_BTN_EXPORT_IMG, Skardy_btn_export_img);
    SKARDY_ART(ART_BTN_ZOOM_OUT, Skardy_btn_zoom_out);
    SKARDY_ART(ART_BTN_ZOOM_IN, Skardy_btn_zoom_in);
    SKARDY_ART(ART_CHK_PATTERN_BLOCK, Skardy_chk_pattern_block);
    SKARDY_ART(ART_CHK_PATTERN_WHITE, Skardy_chk_pattern_white);
    SKARDY_ART(ART_CHK_PATTERN_BLACK, Skardy_chk_pattern_black);
    SKARDY_ART(ART_CHK_TILEMAP, Skardy_chk_tilemap);
    SKARDY_ART(ART_CHK_GRID, Skardy_chk_grid);
    SKARDY_ART(ART_BTN_EXPORT_AUDIO, Skardy_btn_export_audio);
    SKARDY_ART(ART_BTN_IMPORT_AUDIO, Skardy_btn_import_audio);
    SKARDY_ART(ART_CHK_AUDIO_PLAY, Skardy_chk_audio_play);
    SKARDY_ART(ART_CHK_AUDIO_PAUSE, Skardy_chk_audio_pause);
    SKARDY_ART(ART_CHK_AUDIO_STOP, Skardy_chk_audio_stop);
    SKARDY_ART(ART_BTN_EXPORT_FILE, Skardy_btn_export_file);
    SKARDY_ART(ART_BTN_IMPORT_FILE, Skardy_btn_import_file);
    SKARDY_ART(ART_CHK_VISIBILITY, Skardy_chk_visibility);
    SKARDY_ART(ART_ICON_TIME, Skardy_icon_time);
    SKARDY_ART(ART_ICON_THEME, Skardy_icon_theme);
    SKARDY_ART(ART_ICON_ALIGN, Skardy_icon_align);
    SKARDY_ART(ART_ICON_JUSTIFY, Skardy_icon_justify);
    SKARDY_ART(ART_ICON_WIDTH, Skardy_icon_width);
    SKARDY_ART(ART_ICON_HEIGHT, Skardy_icon_height);
    SKARDY_ART(ART_ICON_COLORS, Skardy_icon_colors);
    SKARDY_ART(ART_CHK_FIT, Skardy_chk_fit);
    SKARDY_ART(ART_BTN_SETTINGS, Skardy_btn_settings);
    return art;
}

#undef SKARDY_ART

} // namespace

const EditorArt& builtInArt()
{
    static const EditorArt art = collect();
    return art;
}
