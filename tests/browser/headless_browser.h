// Headless Chromium driven through its DevTools protocol over a pipe
// (--remote-debugging-pipe: commands on fd 3, answers on fd 4, each message
// JSON ending in a NUL byte). No port is opened and no helper program is
// needed, only Debian's `chromium`. Just enough of the protocol for the
// viewer's tests: open a page, set the viewport, evaluate, press a key,
// take a screenshot, record the requests the page makes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace browser {

// The text of the first string field `key` in a JSON message ("" when
// there is none), its escapes undone as far as ASCII goes.
inline std::string string_field(const std::string& message, const std::string& key,
                                size_t from = 0) {
    const std::string start = "\"" + key + "\":\"";
    const size_t at = message.find(start, from);
    if (at == std::string::npos) return "";
    std::string out;
    for (size_t i = at + start.size(); i < message.size() && message[i] != '"'; ++i) {
        if (message[i] != '\\' || i + 1 >= message.size()) {
            out += message[i];
            continue;
        }
        const char e = message[++i];
        if (e == 'u' && i + 4 < message.size()) {
            out += static_cast<char>(std::strtol(message.substr(i + 1, 4).c_str(), nullptr, 16));
            i += 4;
        } else {
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
    }
    return out;
}

// Every string field `key` of a message.
inline std::vector<std::string> string_fields(const std::string& message, const std::string& key) {
    std::vector<std::string> out;
    const std::string start = "\"" + key + "\":\"";
    for (size_t at = message.find(start); at != std::string::npos; at = message.find(start, at + 1))
        out.push_back(string_field(message, key, at));
    return out;
}

inline std::string json_quote(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

inline std::vector<uint8_t> base64_decode(const std::string& text) {
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        if (c >= '0' && c <= '9') v = c - '0' + 52;
        if (c == '+') v = 62;
        if (c == '/') v = 63;
        if (v < 0) continue;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<uint8_t>(bits >> count));
        }
    }
    return out;
}

class HeadlessBrowser {
  public:
    ~HeadlessBrowser() { stop(); }

    // Starts the browser with one blank page; false with the reason when
    // it cannot (no chromium, or it does not answer).
    bool start(std::string& why) {
        const char* program = std::getenv("RAZIVAVU_CHROMIUM");
        const std::string chromium = program && *program ? program : "chromium";
        if (std::system(("command -v '" + chromium + "' > /dev/null 2>&1").c_str()) != 0) {
            why = "no " + chromium + " on this machine (scripts/install-deps.sh installs it)";
            return false;
        }
        char pattern[] = "/tmp/razivavu-chromium-XXXXXX";
        if (!mkdtemp(pattern)) {
            why = "no scratch folder for the browser profile";
            return false;
        }
        profile_ = pattern;
        // A browser that dies must fail a call, not end the test program.
        signal(SIGPIPE, SIG_IGN);
        int to[2], from[2];
        if (pipe(to) != 0 || pipe(from) != 0) {
            why = "no pipes";
            return false;
        }
        const std::string user_dir = "--user-data-dir=" + profile_;
        const std::string log = profile_ + "/chromium.log";
        pid_ = fork();
        if (pid_ == 0) {
            // The protocol's fixed descriptors: 3 in, 4 out.
            dup2(to[0], 3);
            dup2(from[1], 4);
            for (int fd : {to[0], to[1], from[0], from[1]})
                if (fd > 4) close(fd);
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                dup2(out, 1);
                dup2(out, 2);
            }
            const int in = open("/dev/null", O_RDONLY);
            if (in >= 0) dup2(in, 0);
            setpgid(0, 0);  // its helpers go with it when it is stopped
            // Root needs --no-sandbox. The browser would look up and call
            // its maker's update and service hosts of its own accord: those
            // services are off, and every host name resolves to nothing
            // without asking a name server, so the tests send no traffic.
            execlp(chromium.c_str(), chromium.c_str(), "--headless", "--no-sandbox",
                   "--disable-gpu", "--remote-debugging-pipe", user_dir.c_str(), "--no-first-run",
                   "--no-default-browser-check", "--hide-scrollbars", "--mute-audio",
                   "--disable-extensions", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", "--disable-default-apps",
                   "--disable-dev-shm-usage", "--force-device-scale-factor=1",
                   "--host-resolver-rules=MAP * ~NOTFOUND", "--no-pings",
                   "--disable-domain-reliability", "--disable-client-side-phishing-detection",
                   "--disable-features=OptimizationHints,MediaRouter,Translate,"
                   "NetworkTimeServiceQuerying,AutofillServerCommunication",
                   "about:blank", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(to[0]);
        close(from[1]);
        to_ = to[1];
        from_ = from[0];
        if (pid_ < 0) {
            why = "cannot start " + chromium;
            return false;
        }
        const std::string target =
            call("Target.createTarget", "{\"url\":\"about:blank\"}", false, 60000);
        const std::string target_id = string_field(target, "targetId");
        if (target_id.empty()) {
            why = chromium + " started but did not answer (see " + log + ")";
            return false;
        }
        session_ =
            string_field(call("Target.attachToTarget",
                              "{\"targetId\":\"" + target_id + "\",\"flatten\":true}", false),
                         "sessionId");
        if (session_.empty()) {
            why = chromium + " gave no page session";
            return false;
        }
        for (const char* domain : {"Page.enable", "Runtime.enable", "Network.enable"})
            call(domain, "{}");
        return true;
    }

    void stop() {
        if (pid_ > 0) {
            call("Browser.close", "{}", false, 5000);
            for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        for (int* fd : {&to_, &from_})
            if (*fd >= 0) close(*fd), *fd = -1;
        std::error_code ignored;
        if (!profile_.empty()) std::filesystem::remove_all(profile_, ignored);
        profile_.clear();
    }

    // Sends a command (to the page unless `to_page` is false) and returns
    // its answer, or "" when none came within `timeout_ms`.
    std::string call(const std::string& method, const std::string& params, bool to_page = true,
                     int timeout_ms = 20000) {
        const int id = ++next_id_;
        std::string message =
            "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params;
        if (to_page) message += ",\"sessionId\":\"" + session_ + "\"";
        message += "}";
        message.push_back('\0');
        for (size_t sent = 0; sent < message.size();) {
            const ssize_t n = write(to_, message.data() + sent, message.size() - sent);
            if (n <= 0) return "";
            sent += static_cast<size_t>(n);
        }
        const std::string answer_start = "{\"id\":" + std::to_string(id) + ",";
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (true) {
            for (size_t nul; (nul = buffer_.find('\0')) != std::string::npos;) {
                std::string m = buffer_.substr(0, nul);
                buffer_.erase(0, nul + 1);
                if (m.compare(0, answer_start.size(), answer_start) == 0) return m;
                if (m.find("\"method\":") != std::string::npos) events.push_back(std::move(m));
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{from_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return "";
            char chunk[65536];
            const ssize_t n = read(from_, chunk, sizeof(chunk));
            if (n <= 0) return "";
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    // The value of a JavaScript expression, as JSON text (a string with its
    // quotes), "" when it failed.
    std::string evaluate(const std::string& expression) {
        const std::string answer =
            call("Runtime.evaluate",
                 "{\"expression\":" + json_quote(expression) + ",\"returnByValue\":true}");
        const size_t at = answer.find("\"value\":");
        if (at == std::string::npos) return "";
        const size_t start = at + 8;
        if (answer[start] == '"') return "\"" + string_field(answer, "value", at) + "\"";
        return answer.substr(start, answer.find_first_of(",}", start) - start);
    }

    // Polls `expression` until it is true; false when it never is.
    bool wait_for(const std::string& expression, int timeout_ms = 15000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < end) {
            if (evaluate(expression) == "true") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void set_viewport(int width, int height) {
        call("Emulation.setDeviceMetricsOverride",
             "{\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) +
                 ",\"deviceScaleFactor\":1,\"mobile\":false}");
    }

    void navigate(const std::string& url) {
        call("Page.navigate", "{\"url\":" + json_quote(url) + "}");
    }

    void press_key(const std::string& key, int key_code) {
        for (const char* type : {"keyDown", "keyUp"})
            call("Input.dispatchKeyEvent",
                 std::string("{\"type\":\"") + type + "\",\"key\":\"" + key + "\",\"code\":\"" +
                     key + "\",\"windowsVirtualKeyCode\":" + std::to_string(key_code) + "}");
    }

    // The page as PNG bytes; empty when it failed.
    std::vector<uint8_t> screenshot() {
        return base64_decode(
            string_field(call("Page.captureScreenshot", "{\"format\":\"png\"}"), "data"));
    }

    // Every URL the page asked for since Network.enable.
    std::vector<std::string> requested_urls() const {
        std::vector<std::string> urls;
        for (const std::string& e : events)
            if (e.find("\"method\":\"Network.requestWillBeSent\"") != std::string::npos)
                for (const std::string& u : string_fields(e, "url")) urls.push_back(u);
        return urls;
    }

    std::vector<std::string> events;

  private:
    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
    int next_id_ = 0;
    std::string buffer_;
    std::string session_;
    std::string profile_;
};

}  // namespace browser
