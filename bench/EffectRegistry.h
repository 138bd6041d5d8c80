// The table of effects the command-line runner, the benchmarks and the tests can build by
// class name. Each family registers its classes from its own file under bench/fx/:
//
//   static const EffectFamily colourEffects{
//       MakeEffectEntry<FCEffectInvert>("FCEffectInvert", "", {}),
//       MakeEffectEntry<FCEffectBrightnessContrast, int, int>("FCEffectBrightnessContrast",
//                                                              "brightness contrast", {"20", "-30"}),
//   };
//
// Arguments are parsed as C numbers (integers, floating point), booleans as 0 or 1 and 32-bit
// colours (RGBQUAD) as hexadecimal 0xAARRGGBB.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// What the generic tests must know of an effect (flags of MakeEffectEntry).
enum : unsigned
{
    kFxChangesAlpha = 1, // writes the alpha byte of 32-bit images
    kFxRandom = 2,       // draws random numbers: bands on several threads give other bytes
    kFxChangesSize = 4,  // may change the image's size or depth
};

struct EffectEntry
{
    std::string name;
    // Names of the constructor arguments, space separated (empty for none).
    std::string arguments;
    // A typical set of arguments, used by tests and benchmarks.
    std::vector<std::string> example;
    // Builds the effect; null and a one-line reason in error on bad arguments.
    std::function<std::unique_ptr<FCImageEffect>(const std::vector<std::string>&, std::string& error)> make;
    unsigned flags = 0;
};

class EffectRegistry
{
public:
    static EffectRegistry& Instance();
    void Add(EffectEntry entry);
    const EffectEntry* Find(const std::string& name) const;
    // Sorted by name.
    std::vector<const EffectEntry*> All() const;

private:
    std::vector<EffectEntry> m_entries;
};

bool ParseEffectArg(const std::string& text, int& out);
bool ParseEffectArg(const std::string& text, unsigned& out);
bool ParseEffectArg(const std::string& text, long long& out);
bool ParseEffectArg(const std::string& text, double& out);
bool ParseEffectArg(const std::string& text, float& out);
bool ParseEffectArg(const std::string& text, bool& out);
bool ParseEffectArg(const std::string& text, RGBQUAD& out);
bool ParseEffectArg(const std::string& text, BYTE& out);

template <class T> struct EffectArgType
{
    using type = std::decay_t<T>;
};

template <class Effect, class... Args, std::size_t... I>
std::unique_ptr<FCImageEffect> BuildEffect(const std::vector<std::string>& args, std::string& error,
                                           std::index_sequence<I...>)
{
    std::tuple<typename EffectArgType<Args>::type...> values;
    bool ok = true;
    std::size_t bad = 0;
    ((ok && !ParseEffectArg(args[I], std::get<I>(values)) ? (ok = false, bad = I, 0) : 0), ...);
    if (!ok)
    {
        error = "argument " + std::to_string(bad + 1) + " is not valid: " + args[bad];
        return nullptr;
    }
    return std::make_unique<Effect>(std::get<I>(values)...);
}

template <class Effect, class... Args>
EffectEntry MakeEffectEntry(const char* name, const char* argumentNames,
                            std::initializer_list<const char*> example, unsigned flags = 0)
{
    EffectEntry e;
    e.flags = flags;
    e.name = name;
    e.arguments = argumentNames;
    for (const char* s : example)
        e.example.emplace_back(s);
    e.make = [](const std::vector<std::string>& args, std::string& error) -> std::unique_ptr<FCImageEffect>
    {
        if (args.size() != sizeof...(Args))
        {
            error = "expects " + std::to_string(sizeof...(Args)) + " argument(s), got " +
                    std::to_string(args.size());
            return nullptr;
        }
        return BuildEffect<Effect, Args...>(args, error, std::index_sequence_for<Args...>{});
    };
    return e;
}

// Registers every entry of a family at static initialisation.
struct EffectFamily
{
    EffectFamily(std::initializer_list<EffectEntry> entries)
    {
        for (const auto& e : entries)
            EffectRegistry::Instance().Add(e);
    }
};
