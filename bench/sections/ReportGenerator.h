#pragma once

#include <string>

// A report of about 50 MB as the extraction writes it: 20,000 file blocks, each with scripts, a
// style, 50 links (every one holding "images" once: 1,000,000 matches in all), an image and an
// e-mail address.
namespace morv::bench {

constexpr int kFiles = 20000;
constexpr int kLinksPerFile = 50;  // each holds "images" once: 1,000,000 matches in all

inline std::string MakeReport() {
    std::string text;
    text.reserve(size_t(kFiles) * 2700);
    const std::string script =
        "<script type=\"text/javascript\">\r\nfunction menu(id) {\r\n"
        "  var item = document.getElementById(id);\r\n  if (item) item.style.display = "
        "(item.style.display == 'none') ? 'block' : 'none';\r\n}\r\n</script>";
    for (int f = 0; f < kFiles; ++f) {
        const std::string n = std::to_string(f);
        text.append("[FILE = \"/srv/www/site/section").append(std::to_string(f % 97));
        text.append("/page").append(n).append(".htm\"]\r\n\r\n[SCRIPT]\r\n");
        for (int s = 0; s < 5; ++s)
            text.append(script).append("\r\n");
        text.append(
            "\r\n[STYLE]\r\n<style>body { margin: 0; padding: 0 }</style>\r\n\r\n[LINK]\r\n");
        for (int l = 0; l < kLinksPerFile; ++l) {
            text.append("../images/photo").append(std::to_string(l)).append("_").append(n);
            text.append(".jpg\r\n");
        }
        text.append("\r\n[IMAGE]\r\n../gfx/logo.gif\r\n\r\n[E-MAIL]\r\n");
        text.append("webmaster@example.org\r\n\r\n\r\n");
    }
    return text;
}

}  // namespace morv::bench
