#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "notices/notices.h"

namespace monitor::testing {

/** Notices that remember what a person would have seen, in order. */
class RecordingNotices final : public Notices {
  public:
    struct Alert {
        std::string texto;
        TTipoAlerta tipo;
    };

    bool ExibeAlerta(const std::string& texto, TTipoAlerta tipo, const std::string&,
                     const std::string&) override {
        alerts.push_back({texto, tipo});
        events.push_back("alert: " + texto);
        ++open;
        maxOpen = std::max(maxOpen, open);
        // What happens while the modal alert waits for the user (timer ticks, tray clicks).
        if (whileShown) whileShown(texto);
        --open;
        return answer;
    }
    void ExibeCarregando(bool fechar) override {
        progressOpen = !fechar;
        events.push_back(fechar ? "progress closed" : "progress shown");
    }
    void MensagemCarregando(const std::string& mensagem) override {
        if (progressOpen && !mensagem.empty()) events.push_back("progress: " + mensagem);
    }

    std::vector<Alert> alerts;
    std::vector<std::string> events;
    bool progressOpen = false;
    bool answer = false;
    std::function<void(const std::string&)> whileShown;
    int open = 0;     // alerts on screen now
    int maxOpen = 0;  // most alerts on screen at once
};

}  // namespace monitor::testing
