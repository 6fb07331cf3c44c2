#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLockFile;

namespace dokrava {

// How long a conversion waits for a free profile folder while every one is held (milliseconds).
constexpr int kProfileWaitMs = 60000;

// A profile folder of the office suite's converter, held by one converter at a time across every
// running copy of the program: two converters on one profile would hand their work to each other
// or fail. The folders are "lo_profiles/0", "lo_profiles/1", ... beside the executable, kept
// between runs, so only a folder's first use pays for setting it up. Every conversion takes its
// folder here: the supervisor's converters and a single conversion alike.
class ConverterProfile
{
public:
    // How many profile folders there are at most.
    static constexpr int kSlots = 16;

    // Takes the first free folder, readied for the converter (PrepareConverterProfile). While
    // every folder is held by another converter, waits up to waitMs for one, asking cancelled
    // now and then; nullptr once cancelled says true. Throws DokravaError with a Russian message
    // when no folder can be made or locked (a read-only program folder, a full disk) or when the
    // wait runs out.
    static std::unique_ptr<ConverterProfile> take(int waitMs = kProfileWaitMs,
                                                  const std::function<bool()> &cancelled = {});
    // Takes the first free folder without waiting; nullptr when none is free or usable.
    static std::unique_ptr<ConverterProfile> tryTake();

    // Frees the folder for the next converter.
    ~ConverterProfile();

    ConverterProfile(const ConverterProfile &) = delete;
    ConverterProfile &operator=(const ConverterProfile &) = delete;

    // The profile folder this converter uses.
    QString folder() const { return m_folder; }

    // The folder that holds the profile folders: "lo_profiles" beside the executable.
    static QString root();

private:
    ConverterProfile(QString folder, std::unique_ptr<QLockFile> lock);

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
};

// Readies a profile folder of the office suite's converter before a converter starts with it.
// The suite runs its graphics self-tests (2-4 s of drawing) at every start it takes for the
// first after an upgrade, and only its window records that a version was seen: a profile used
// for conversions alone would pay that at every start. The profile is marked as having seen
// every version. A failure leaves the profile as it was: conversions then only start slower.
void PrepareConverterProfile(const QString &folder);

} // namespace dokrava
