// Test helper: Services over a HeadlessPlatform with a fresh temporary data folder, recording
// every alert text.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "core/services.h"

namespace korel::test {

// A temporary folder removed when the object goes.
class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "korel-test-XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        path_ = made ? std::string(made) : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class TestServices : public Services {
public:
    explicit TestServices(Edition edition = Edition::LIVE, int width = 320, int height = 240)
        : Services(headless_, edition), headless_(width, height) {
        shell().dataFolder = temp_.path();
        shell().startingUp = false;
        display().drawingSurface.resize(width, height);
        display().windowRect = Rect{0, 0, width, height};
        display().displayDepth = 32;
    }

    void showAlert(std::string_view text) override {
        alerts.emplace_back(text);
        if (!text.empty()) shell().pendingMessage = std::string(text);
    }
    void copySurfaceToWindow(const Rect& r) override { copied.push_back(r); }

    HeadlessPlatform& headless() { return headless_; }
    const std::string& dataFolder() const { return temp_.path(); }

    std::vector<std::string> alerts;
    std::vector<Rect> copied;

private:
    TempFolder temp_;
    HeadlessPlatform headless_;
};

}  // namespace korel::test
