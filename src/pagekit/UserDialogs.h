#pragma once

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

// The modal questions a window puts to the user. Each one is a replaceable
// function so that tests and scripted runs can answer without a modal dialogue
// blocking the event loop; by default they are Qt's standard dialogues.
struct UserDialogs
{
    // (parent, caption, start folder or name, filter) -> chosen name, empty when cancelled.
    using FileQuestion
        = std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    // (initial colour, parent) -> chosen colour, the invalid colour when cancelled.
    using ColourQuestion = std::function<QColor(const QColor&, QWidget*)>;

    FileQuestion openFileName
        = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
              return QFileDialog::getOpenFileName(parent, caption, dir, filter);
          };
    FileQuestion saveFileName
        = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
              return QFileDialog::getSaveFileName(parent, caption, dir, filter);
          };
    ColourQuestion colour = [](const QColor& initial, QWidget* parent) {
        return QColorDialog::getColor(initial, parent);
    };
};
