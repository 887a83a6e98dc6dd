"""The folders and environment of a benchmark run: a home, its XDG folders and a computer Fonts
folder of its own, so that nothing outside the run's temporary folder is touched."""

import os


def sandbox_env(root):
    """Makes the folders below root; answers the XDG data folder and the environment to run in."""
    home = os.path.join(root, "home")
    data = os.path.join(home, ".local", "share")
    os.makedirs(os.path.join(data, "fonts"), exist_ok=True)
    os.makedirs(os.path.join(root, "system-fonts"), exist_ok=True)
    os.makedirs(os.path.join(home, ".config"), exist_ok=True)
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=data, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               FONTUPDATER_SYSTEM_FONTS=os.path.join(root, "system-fonts"))
    return data, env
