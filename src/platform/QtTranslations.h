#pragma once

namespace kx {

// Qt's own Chinese for its standard dialogs and buttons (file dialogs, the
// printer setup, "确定", "取消", "是", "否"), so that they speak the
// program's language as they would on a Chinese desktop. Loaded once, before
// the first window; false when the translation is not installed, and the
// dialogs then stay in English.
bool loadQtTranslations();

}  // namespace kx
