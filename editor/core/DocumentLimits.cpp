#include "editor/core/DocumentLimits.h"

#include <cstdio>
#include <fstream>

namespace morv {

DocumentLimits& CurrentDocumentLimits() {
    static DocumentLimits limits;
    return limits;
}

uint64_t SystemAvailableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") return kilobytes * 1024;
    }
    return 0;
}

SizeVerdict CheckDocumentSize(uint64_t size, uint64_t availableMemory,
                              const DocumentLimits& limits) {
    if (size > limits.maximum) return SizeVerdict::TooLargeForEditor;
    if (availableMemory != 0 && MemoryToOpen(size) > availableMemory)
        return SizeVerdict::TooLargeForMemory;
    if (size > limits.askAbove) return SizeVerdict::Ask;
    return SizeVerdict::Open;
}

std::string DescribeSize(uint64_t bytes) {
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    // Whole numbers from 10 up; one decimal below, where it still says something.
    std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
    return text;
}

std::string SizeQuestion(std::string_view name, uint64_t size) {
    return "The file '" + std::string(name) + "' is " + DescribeSize(size) +
           ". Opening it takes a while and about " + DescribeSize(MemoryToOpen(size)) +
           " of memory.\r\n\r\nDo you want to open it?";
}

std::string TooLargeForEditor(std::string_view name, uint64_t size, const DocumentLimits& limits) {
    return "Unable to open '" + std::string(name) + "': at " + DescribeSize(size) +
           " it is larger than the " + DescribeSize(limits.maximum) +
           " a document can have in this editor";
}

std::string TooLargeForMemory(std::string_view name, uint64_t size, uint64_t availableMemory) {
    return "Unable to open '" + std::string(name) + "': it is " + DescribeSize(size) +
           " and needs about " + DescribeSize(MemoryToOpen(size)) + " of memory, but only " +
           DescribeSize(availableMemory) + " is free";
}

std::string NotEnoughMemory(std::string_view name) {
    return "There is not enough memory to open '" + std::string(name) + "'";
}

std::string LineTooLongToWrap(uint64_t lineLength) {
    return "Word Wrap is not available for this document: one of its lines is " +
           DescribeSize(lineLength) + " long, too long to wrap.";
}

}  // namespace morv
