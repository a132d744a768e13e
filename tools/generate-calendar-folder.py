#!/usr/bin/env python3
"""Writes a synthetic calendar folder in the vdir layout for tests and benchmarks.

OUT/calendars/<account>/<calendar>/ holds `displayname`, `color` and one .ics file per event.
Events are spread over the years given; a share of them repeat (daily, weekly, monthly, yearly,
with COUNT, UNTIL or no end, some with EXDATEs and a moved instance). Times are all-day, floating,
UTC or in one of several zones. The same seed gives the same folder.
"""

import argparse
import datetime as dt
import os
import random

ZONES = ["America/New_York", "Europe/Berlin", "Asia/Shanghai", "Australia/Sydney", "UTC", None]
WORDS = ["Standup", "Review", "Lunch", "Call", "Dentist", "Workshop", "Planning", "Gym",
         "Retro", "Demo", "Interview", "Coffee", "Training", "Sync", "Dinner", "Flight"]
COLORS = ["#3465A4", "#73D216", "#F57900", "#CC0000", "#75507B", "#C17D11", "#EDD400",
          "#FF2968FF", "#1BADF8", "#63DA38"]


def fmt_date(day):
    return day.strftime("%Y%m%d")


def fmt_time(moment):
    return moment.strftime("%Y%m%dT%H%M%S")


def start_lines(name, moment, kind, zone):
    if kind == "date":
        return [f"{name};VALUE=DATE:{fmt_date(moment)}"]
    if kind == "floating":
        return [f"{name}:{fmt_time(moment)}"]
    if zone == "UTC":
        return [f"{name}:{fmt_time(moment)}Z"]
    return [f"{name};TZID={zone}:{fmt_time(moment)}"]


def event_text(rng, uid, first_day, days, repeating):
    day = first_day + dt.timedelta(days=rng.randrange(days))
    zone = rng.choice(ZONES)
    kind = "date" if rng.random() < 0.15 else ("floating" if zone is None else "zoned")
    if kind == "date":
        start = dt.datetime(day.year, day.month, day.day)
        length = dt.timedelta(days=rng.choice([1, 1, 1, 2, 3]))
    else:
        start = dt.datetime(day.year, day.month, day.day, rng.randrange(7, 22),
                            rng.choice([0, 15, 30, 45]))
        length = dt.timedelta(minutes=rng.choice([15, 30, 45, 60, 90, 120]))
    end = start + length
    lines = ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20250101T000000Z"]
    lines += start_lines("DTSTART", start, kind, zone)
    lines += start_lines("DTEND", end, kind, zone)
    lines.append(f"SUMMARY:{rng.choice(WORDS)} {uid.split('@')[0][-6:]}")
    if rng.random() < 0.3:
        lines.append(f"LOCATION:Room {rng.randrange(1, 40)}")
    moved = None
    if repeating:
        # Mostly weekly meetings, monthly and yearly dates; few things repeat every day.
        freq, step = rng.choices([("DAILY", 1), ("WEEKLY", 7), ("MONTHLY", 30), ("YEARLY", 365)],
                                 weights=[1, 5, 2, 2])[0]
        rule = f"RRULE:FREQ={freq}"
        if rng.random() < 0.3:
            rule += ";INTERVAL=2"
            step *= 2
        ending = rng.random()
        if ending < 0.3:
            rule += f";COUNT={rng.randrange(5, 60)}"
        elif ending < 0.6:
            until = start + dt.timedelta(days=rng.randrange(30, 700))
            rule += f";UNTIL={fmt_date(until)}" if kind == "date" else \
                f";UNTIL={fmt_time(until)}Z"
        lines.append(rule)
        if rng.random() < 0.3:
            lines += start_lines("EXDATE", start + dt.timedelta(days=step), kind, zone)
        if rng.random() < 0.2:
            moved = start + dt.timedelta(days=2 * step)
    lines.append("END:VEVENT")
    if moved is not None:
        lines += ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20250101T000000Z"]
        lines += start_lines("RECURRENCE-ID", moved, kind, zone)
        lines += start_lines("DTSTART", moved + dt.timedelta(hours=2 if kind != "date" else 24),
                             kind, zone)
        lines += start_lines("DTEND", moved + length + dt.timedelta(
            hours=2 if kind != "date" else 24), kind, zone)
        lines += ["SUMMARY:Moved occurrence", "END:VEVENT"]
    return lines



def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", help="folder to write into (made if missing)")
    parser.add_argument("--calendars", type=int, default=20)
    parser.add_argument("--events", type=int, default=10000, help="events in all, series included")
    parser.add_argument("--series", type=int, default=500, help="how many of them repeat")
    parser.add_argument("--accounts", type=int, default=3)
    parser.add_argument("--from-year", type=int, default=2025)
    parser.add_argument("--years", type=int, default=2)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.series > args.events or args.calendars < 1 or args.accounts < 1:
        parser.error("need 1 <= calendars, 1 <= accounts and series <= events")

    rng = random.Random(args.seed)
    first_day = dt.date(args.from_year, 1, 1)
    days = (dt.date(args.from_year + args.years, 1, 1) - first_day).days
    folders = []
    for index in range(args.calendars):
        account = f"account-{index % args.accounts + 1}"
        folder = os.path.join(args.out, "calendars", account, f"calendar-{index + 1:02d}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "displayname"), "w", encoding="utf-8") as f:
            f.write(f"Calendar {index + 1}\n")
        with open(os.path.join(folder, "color"), "w", encoding="utf-8") as f:
            f.write(COLORS[index % len(COLORS)] + "\n")
        folders.append(folder)

    repeating = set(rng.sample(range(args.events), args.series))
    for number in range(args.events):
        uid = f"event-{number:06d}@tessel.example"
        body = event_text(rng, uid, first_day, days, number in repeating)
        text = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//tessel//generator//EN"] + body
        text.append("END:VCALENDAR")
        path = os.path.join(folders[number % len(folders)], f"event-{number:06d}.ics")
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write("\r\n".join(text) + "\r\n")


if __name__ == "__main__":
    main()
