#pragma once

// The steps of one door run, in twips. Each step sets the leaf's measure to the next whole twip
// on the way from the run's first value to its last: for the front door the width of both
// leaves, for the middle door the leaf's left inside its doorway.
class DoorRun
{
public:
    // Closed, both front leaves are 630 wide; open, 70.
    static constexpr int kFrontClosed = 630;
    static constexpr int kFrontOpen = 70;
    // The front door's right leaf keeps this right edge.
    static constexpr double kFrontRightEdge = 1515;
    // Open, the middle leaf stands this far left of its closed place.
    static constexpr int kMiddleTravel = 1110;

    // Towards the state asked for. Opening the front door starts from where its left leaf
    // stands; every other run starts at a fixed place.
    static DoorRun front(bool open, double leftLeafWidth);
    static DoorRun middle(bool open);

    int size() const { return m_size; }
    // The leaf's measure at a step, from 0 to size() - 1.
    int at(int step) const { return m_first + step * m_direction; }

    // The front door's right leaf's left for a leaf width: it narrows towards its right edge.
    static double rightLeafLeft(double width) { return kFrontRightEdge - width; }

private:
    DoorRun(int first, int direction, int size)
        : m_first(first), m_direction(direction), m_size(size)
    {
    }

    int m_first;
    int m_direction;
    int m_size;
};
