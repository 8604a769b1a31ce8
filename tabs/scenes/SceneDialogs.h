// The tab's message boxes and questions, for the scene tab's parts.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <functional>

struct SceneDialogs {
    using string = CtrlBase::string;
    // A message box; its answer.
    std::function<int(const string& title, const string& text, int buttons, int type, int timeoutMs)> show;
    // 0 when path is free or may be overwritten, else -1.
    std::function<int(const string& path)> overwrite;
    // The chosen option's id, or 2 for Cancel.
    std::function<int(const string& title, const string& message, const CtrlBase::ChoiceBoxOptions& options)> choose;
};
